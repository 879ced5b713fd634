#pragma once
#include <QDateTime>
#include <QDialog>

class QDateTimeEdit;
class QDialogButtonBox;
class QSpinBox;

// "报告": the period of a report (the history tab's to start with) and ΔH/R of its mean kinetic
// temperature. OK only while the period runs forward.
class ReportDialog : public QDialog {
    Q_OBJECT
public:
    ReportDialog(const QDateTime &from, const QDateTime &to, QWidget *parent);
    QDateTime from() const;  // whole minutes
    QDateTime to() const;
    double dhR() const;

    QDateTimeEdit *dtpReportFrom;
    QDateTimeEdit *dtpReportTo;
    QSpinBox *txtMktDhR;
    QDialogButtonBox *buttons;
};
