#include "panels/records/replywindowdialog.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

using records::ReplyWindow;

ReplyWindowDialog::ReplyWindowDialog(const ReplyWindow &current, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReplyWindow"));
    setWindowTitle(tr("应答等待设置"));
    const ReplyWindow defaults;
    auto *grid = new QGridLayout;
    int row = 0;
    const auto place = [&](QWidget *box, const char *name, const QString &caption, const QString &def) {
        box->setObjectName(QLatin1String(name));
        box->setAccessibleName(caption);
        const QString defText = tr("默认 %1").arg(def);
        box->setAccessibleDescription(defText);
        auto *label = new QLabel(caption, this);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(new QLabel(defText, this), row, 2);
        ++row;
    };
    const auto spin = [&](const char *name, const QString &caption, int lo, int hi, int def) {
        auto *s = new QSpinBox(this);
        s->setRange(lo, hi);
        place(s, name, caption, QString::number(def));
        return s;
    };
    spnRecordWindow = spin("spnRecordWindow", tr("记录应答窗口(ms)"), ReplyWindow::MinWindowMs,
                           ReplyWindow::MaxWindowMs, defaults.recordWindowMs);
    spnAttempts = spin("spnAttempts", tr("每条记录失败请求次数"), ReplyWindow::MinAttempts,
                       ReplyWindow::MaxAttempts, defaults.attempts);
    spnGuard = spin("spnGuard", tr("迟到应答保护时间(ms)"), ReplyWindow::MinGuardMs,
                    ReplyWindow::MaxGuardMs, defaults.guardMs);
    cboEcho = new QComboBox(this);
    for (EchoMode mode : {EchoMode::Auto, EchoMode::On, EchoMode::Off})
        cboEcho->addItem(echoModeName(mode));
    place(cboEcho, "cboEcho", tr("串口适配器回显"), cboEcho->itemText(int(defaults.echo)));
    spnConnect = spin("spnConnect", tr("网络线路连接超时(ms)"), ReplyWindow::MinConnectMs, ReplyWindow::MaxConnectMs,
                      defaults.connectTimeoutMs);
    chkBlockReads = new QCheckBox(tr("成块读取（一次请求读取多条记录）"), this);
    chkBlockReads->setObjectName(QStringLiteral("chkBlockReads"));
    grid->addWidget(chkBlockReads, row, 0, 1, 2);
    grid->addWidget(new QLabel(tr("默认 开"), this), row, 2);

    auto *hint = new QLabel(tr("线路较慢（低波特率）或较长时，记录仪的应答来得晚，可能需要加大这些数值。"
                                              "一次读取失败后，下一次请求前线路须保持安静达到保护时间；"
                                              "失败后读到的记录要再读一次确认，确认读取不计入失败次数。"
                                              "有的RS485适配器会把发出的请求回送给电脑，自动识别时程序从读取应答中发现并去除回显。"
                                              "成块读取时一次请求最多读取 125 个寄存器中能容下的整条记录；"
                                              "记录仪不支持时自动改为逐条读取。"
                                              "网络线路（串口服务器、Modbus TCP 网关）断开后，下一次请求前重新连接，"
                                              "最多等待连接超时。"), this);
    hint->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                             | QDialogButtonBox::RestoreDefaults,
                                         this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    QPushButton *restore = buttons->button(QDialogButtonBox::RestoreDefaults);
    restore->setText(tr("恢复默认"));
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
    cboEcho->setCurrentIndex(std::clamp(int(w.echo), 0, cboEcho->count() - 1));
    chkBlockReads->setChecked(w.blockReads);
    spnConnect->setValue(w.connectTimeoutMs);
}

ReplyWindow ReplyWindowDialog::value() const
{
    ReplyWindow w;
    w.recordWindowMs = spnRecordWindow->value();
    w.attempts = spnAttempts->value();
    w.guardMs = spnGuard->value();
    w.echo = EchoMode(cboEcho->currentIndex());
    w.blockReads = chkBlockReads->isChecked();
    w.connectTimeoutMs = spnConnect->value();
    return w;
}
