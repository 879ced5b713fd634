#include "panels/audit/archiveauditpanel.h"
#include "panels/audit/auditdialog.h"
#include "ui/commandstart.h"
#include <QHBoxLayout>
#include <QPushButton>

ArchiveAuditPanel::ArchiveAuditPanel(PanelContext &context, QWidget *parent) : QWidget(parent), m_ctx(context)
{
    setObjectName(QStringLiteral("ArchiveAuditPanel"));
    cmdAuditTrail = namedButton(QStringLiteral("cmdAuditTrail"), tr("审计记录…"), this);
    cmdAuditTrail->setToolTip(tr("查看存档的审计记录，导出为CSV，检查存档是否被改动"));
    auto *row = new QHBoxLayout(this);
    row->addWidget(cmdAuditTrail);
    row->addStretch(1);
    connect(cmdAuditTrail, &QPushButton::clicked, this, [this] {
        auto *dialog = new AuditDialog(m_ctx, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}
