#include "app/replywindowdialog.h"
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using records::ReplyWindow;

ReplyWindowDialog::ReplyWindowDialog(const ReplyWindow &current, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReplyWindow"));
    setWindowTitle(QStringLiteral("应答等待设置"));
    const ReplyWindow defaults;
    auto *grid = new QGridLayout;
    int row = 0;
    const auto spin = [&](const char *name, const QString &caption, int lo, int hi, int def) {
        auto *s = new QSpinBox(this);
        s->setObjectName(QLatin1String(name));
        s->setRange(lo, hi);
        s->setAccessibleName(caption);
        const QString defText = QStringLiteral("默认 %1").arg(def);
        s->setAccessibleDescription(defText);
        auto *label = new QLabel(caption, this);
        label->setBuddy(s);
        grid->addWidget(label, row, 0);
        grid->addWidget(s, row, 1);
        grid->addWidget(new QLabel(defText, this), row, 2);
        ++row;
        return s;
    };
    spnRecordWindow = spin("spnRecordWindow", QStringLiteral("记录应答窗口(ms)"), ReplyWindow::MinWindowMs,
                           ReplyWindow::MaxWindowMs, defaults.recordWindowMs);
    spnAttempts = spin("spnAttempts", QStringLiteral("每条记录失败请求次数"), ReplyWindow::MinAttempts,
                       ReplyWindow::MaxAttempts, defaults.attempts);
    spnGuard = spin("spnGuard", QStringLiteral("迟到应答保护时间(ms)"), ReplyWindow::MinGuardMs,
                    ReplyWindow::MaxGuardMs, defaults.guardMs);

    auto *hint = new QLabel(QStringLiteral("线路较慢（低波特率）或较长时，记录仪的应答来得晚，可能需要加大这些数值。"
                                              "一次读取失败后，下一次请求前线路须保持安静达到保护时间；"
                                              "失败后读到的记录要再读一次确认，确认读取不计入失败次数。"), this);
    hint->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                             | QDialogButtonBox::RestoreDefaults,
                                         this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QPushButton *restore = buttons->button(QDialogButtonBox::RestoreDefaults);
    restore->setText(QStringLiteral("恢复默认"));
    restore->setObjectName(QStringLiteral("cmdRestoreDefaults"));
    // Enter in a spin box accepts the dialog, not the reset.
    restore->setAutoDefault(false);
    connect(restore, &QPushButton::clicked, this, [this] { setBoxes(ReplyWindow{}); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(hint);
    column->addWidget(buttons);
    setBoxes(current);
}

void ReplyWindowDialog::setBoxes(const ReplyWindow &w)
{
    spnRecordWindow->setValue(w.recordWindowMs);
    spnAttempts->setValue(w.attempts);
    spnGuard->setValue(w.guardMs);
}

ReplyWindow ReplyWindowDialog::value() const
{
    ReplyWindow w;
    w.recordWindowMs = spnRecordWindow->value();
    w.attempts = spnAttempts->value();
    w.guardMs = spnGuard->value();
    return w;
}
