#pragma once
#include <QWidget>

class QPushButton;
struct PanelContext;

// "存档审计" on the maintenance tab: the button that opens the audit trail's dialog.
class ArchiveAuditPanel : public QWidget {
    Q_OBJECT
public:
    ArchiveAuditPanel(PanelContext &context, QWidget *parent = nullptr);
    QPushButton *cmdAuditTrail;

private:
    PanelContext &m_ctx;
};
