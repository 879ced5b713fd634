#include "panels/audit/auditdialog.h"
#include "core/archive/anchors.h"
#include "core/export/exportformats.h"
#include "core/files/safefile.h"
#include "core/view/audittrail.h"
#include "ui/desktop.h"
#include "ui/filechoice.h"
#include "ui/panelcontext.h"
#include "ui/recordarchive.h"
#include "ui/valuelabel.h"
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace {
QDateTime minute(const QDateTime &t) { return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute())); }

// A filter's list: "全部" (no data), then the values (as shown, when given); the one chosen stays
// chosen while it is there.
void fillChoices(QComboBox *box, const QString &all, const QStringList &values,
                 const std::function<QString(const QString &)> &shown = {})
{
    const QString chosen = box->currentData().toString();
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItem(all, QString());
    for (const QString &v : values)
        box->addItem(shown ? shown(v) : v, v);
    box->setCurrentIndex(std::max(0, box->findData(chosen)));
}
} // namespace

AuditDialog::AuditDialog(PanelContext &context, QWidget *parent) : QDialog(parent), m_ctx(context)
{
    setObjectName(QStringLiteral("AuditDialog"));
    setWindowTitle(tr("审计记录"));
    resize(960, 540);
    // Made in reading order, which is the order Tab takes.
    QHBoxLayout *filters = makeFilters();
    lstAuditTrail = new QTreeWidget(this);
    lstAuditTrail->setObjectName(QStringLiteral("lstAuditTrail"));
    lstAuditTrail->setAccessibleName(tr("审计记录"));
    lstAuditTrail->setRootIsDecorated(false);
    lstAuditTrail->setUniformRowHeights(true);
    lstAuditTrail->setHeaderLabels({tr("时间"), tr("用户"), tr("程序"), tr("记录仪"), tr("类别"), tr("原值"), tr("新值")});

    lblVerifyResult = new ValueLabel(QString(), tr("存档检查结果"), this);
    lblVerifyResult->setObjectName(QStringLiteral("lblVerifyResult"));
    lblVerifyResult->setWordWrap(true);
    lblVerifyResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdVerifyArchive = new QPushButton(tr("检查存档"), this);
    cmdVerifyArchive->setObjectName(QStringLiteral("cmdVerifyArchive"));
    cmdVerifyArchive->setToolTip(tr("核对存档的全部哈希链，看记录和审计记录是否被改动过"));
    cmdAuditExport = new QPushButton(tr("导出CSV…"), this);
    cmdAuditExport->setObjectName(QStringLiteral("cmdAuditExport"));
    cmdAuditExport->setToolTip(tr("把列表中显示的审计记录存为CSV文件"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
    for (QPushButton *b : {cmdVerifyArchive, cmdAuditExport})
        b->setAutoDefault(false);

    auto *actions = new QHBoxLayout;
    actions->addWidget(cmdVerifyArchive);
    actions->addWidget(cmdAuditExport);
    actions->addStretch(1);
    actions->addWidget(buttons);
    auto *column = new QVBoxLayout(this);
    column->addLayout(filters);
    column->addWidget(lstAuditTrail, 1);
    column->addWidget(lblVerifyResult);
    column->addLayout(actions);

    connect(dtpAuditFrom, &QDateTimeEdit::dateTimeChanged, this, [this] { applyFilter(); });
    connect(dtpAuditTo, &QDateTimeEdit::dateTimeChanged, this, [this] {
        m_toIsNow = false;
        applyFilter();
    });
    for (QComboBox *box : {cboAuditRecorder, cboAuditKind})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(cmdVerifyArchive, &QPushButton::clicked, this, &AuditDialog::verifyArchive);
    connect(cmdAuditExport, &QPushButton::clicked, this, &AuditDialog::exportCsv);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    refresh();
}

QHBoxLayout *AuditDialog::makeFilters()
{
    auto *filters = new QHBoxLayout;
    const auto captioned = [&](QWidget *box, const QString &caption) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(box);
        box->setAccessibleName(caption);
        filters->addWidget(label);
        filters->addWidget(box);
    };
    const QDateTime now = minute(m_ctx.desktop.now());
    const auto dateBox = [&](const char *name, const QDateTime &t, const QString &caption) {
        auto *box = new QDateTimeEdit(t, this);
        box->setObjectName(QLatin1String(name));
        box->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        box->setCalendarPopup(true);
        captioned(box, caption);
        return box;
    };
    dtpAuditFrom = dateBox("dtpAuditFrom", now.addDays(-DefaultDays), tr("从"));
    dtpAuditTo = dateBox("dtpAuditTo", now, tr("到"));
    const auto comboBox = [&](const char *name, const QString &caption) {
        auto *box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->addItem(tr("全部"), QString());
        captioned(box, caption);
        return box;
    };
    cboAuditRecorder = comboBox("cboAuditRecorder", tr("记录仪"));
    cboAuditKind = comboBox("cboAuditKind", tr("类别"));
    filters->addStretch(1);
    return filters;
}

void AuditDialog::refresh()
{
    QString error = tr("没有存档");
    archive::RecordStore *store = m_ctx.archive ? m_ctx.archive->open(&error) : nullptr;
    const auto trail = store ? store->audit().trail(&error) : std::nullopt;
    m_trail = trail.value_or(QList<archive::AuditRow>{});
    if (!trail)
        lblVerifyResult->setText(store ? error : tr("存档打不开：%1").arg(error));
    else if (m_unread)
        lblVerifyResult->clear();  // the archive is there again
    m_unread = !trail;
    cmdAuditExport->setEnabled(trail.has_value());  // a trail not read is not written as an empty one
    if (m_toIsNow) {
        const QSignalBlocker quiet(dtpAuditTo);
        dtpAuditTo->setDateTime(minute(m_ctx.desktop.now()));
    }
    fillChoices(cboAuditRecorder, tr("全部"), view::auditRecorders(m_trail));
    fillChoices(cboAuditKind, tr("全部"), view::auditKinds(m_trail), &view::auditKindName);
    applyFilter();
}

void AuditDialog::applyFilter()
{
    const view::AuditFilter filter{minute(dtpAuditFrom->dateTime()), minute(dtpAuditTo->dateTime()).addSecs(60),
                                   cboAuditRecorder->currentData().toString(), cboAuditKind->currentData().toString()};
    m_shown = view::auditRows(m_trail, filter);
    lstAuditTrail->clear();
    QList<QTreeWidgetItem *> items;
    for (const archive::AuditRow &r : std::as_const(m_shown)) {
        auto *item = new QTreeWidgetItem({r.at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), r.user, r.program,
                                          r.recorder, view::auditKindName(r.kind), view::auditValueText(r.kind, r.oldValue),
                                          view::auditValueText(r.kind, r.newValue)});
        item->setToolTip(5, r.oldValue);
        item->setToolTip(6, r.newValue);
        items << item;
    }
    lstAuditTrail->addTopLevelItems(items);
    for (int c = 0; c < lstAuditTrail->columnCount(); ++c)
        lstAuditTrail->resizeColumnToContents(c);
}

void AuditDialog::exportCsv()
{
    Desktop &d = m_ctx.desktop;
    const QString path = askSaveName(d, tr("导出审计记录为CSV"), d.appDir() + QStringLiteral("/audit"), QStringLiteral("csv"),
                                     QStringLiteral("audit_") + d.now().date().toString(Qt::ISODate));
    if (path.isEmpty())
        return;
    QString error;
    if (!safefile::writeWhole(path, exports::auditCsv(m_shown), &error)) {
        d.warnAndSay(tr("审计记录未能导出：%1").arg(error));
        return;
    }
    // The note first: a failed audit entry then says so on the status line after it.
    d.say(tr("审计记录已导出到 %1").arg(path));
    if (m_ctx.archive)
        m_ctx.archive->auditFile(archive::kinds::Export, path);
    refresh();
}

void AuditDialog::verifyArchive()
{
    QString error = tr("没有存档");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    archive::RecordStore *store = m_ctx.archive ? m_ctx.archive->open(&error) : nullptr;
    // Held against the checkpoints and the newest backup the backup folder keeps, as the watcher holds it.
    const auto verdict = store ? archive::verifyKept(store->checks(), m_ctx.archive->config().backupDir,
                                                     archive::CheckpointKey::defaultFile(), {}, true, &error)
                               : std::nullopt;
    QApplication::restoreOverrideCursor();
    if (!verdict) {
        lblVerifyResult->setText(store ? tr("存档没有检查：%1").arg(error) : tr("存档打不开：%1").arg(error));
        return;
    }
    if (verdict->ok) {
        lblVerifyResult->setText(tr("存档完好：%1 行都与哈希链相符").arg(verdict->rows));
        return;
    }
    const QString text = tr("存档被改动过：表 %1，记录仪 %2，%3：%4")
                             .arg(verdict->table, verdict->recorder.isEmpty() ? QStringLiteral("-") : verdict->recorder,
                                  verdict->key, verdict->what);
    lblVerifyResult->setText(text);
    m_ctx.desktop.warnAndSay(text);
}
