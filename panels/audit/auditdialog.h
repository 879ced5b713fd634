#pragma once
#include "core/archive/recordstore.h"
#include <QDialog>

class QComboBox;
class QDateTimeEdit;
class QHBoxLayout;
class QPushButton;
class QTreeWidget;
class ValueLabel;
struct PanelContext;

// "审计记录": the archive's audit trail, newest first, through filters on the time, the recorder and
// the kind of entry; the entries shown exported as CSV; and the archive's hash chains walked on
// demand ("检查存档"). An archive that cannot be opened is said in the label, the list left empty.
class AuditDialog : public QDialog {
    Q_OBJECT
public:
    // "从" starts this many days before now.
    static constexpr int DefaultDays = 30;

    AuditDialog(PanelContext &context, QWidget *parent);
    // The trail read again from the archive and shown through the filters; "到" moves on to now until
    // the user sets it.
    void refresh();
    // The entries shown written as a CSV file the user names.
    void exportCsv();
    // Every hash chain walked now: the verdict in lblVerifyResult, a broken chain in a warning too.
    void verifyArchive();
    // What the list shows, newest first.
    const QList<archive::AuditRow> &shownRows() const { return m_shown; }

    QDateTimeEdit *dtpAuditFrom;
    QDateTimeEdit *dtpAuditTo;
    QComboBox *cboAuditRecorder;
    QComboBox *cboAuditKind;
    QTreeWidget *lstAuditTrail;
    ValueLabel *lblVerifyResult;  // the verdict, or why the archive cannot be opened
    QPushButton *cmdVerifyArchive;
    QPushButton *cmdAuditExport;

private:
    QHBoxLayout *makeFilters();  // the period, recorder and kind filters, in a row
    void applyFilter();

    PanelContext &m_ctx;
    QList<archive::AuditRow> m_trail;  // oldest first
    QList<archive::AuditRow> m_shown;
    bool m_toIsNow = true;
    bool m_unread = false;  // the label says why the trail could not be read
};
