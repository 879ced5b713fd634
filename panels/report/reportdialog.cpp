#include "panels/report/reportdialog.h"
#include "core/report/statistics.h"
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {
QDateTime minute(const QDateTime &t) { return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute())); }
} // namespace

ReportDialog::ReportDialog(const QDateTime &from, const QDateTime &to, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReportDialog"));
    setWindowTitle(tr("报告"));
    const auto dateBox = [this](const QString &name, const QDateTime &t) {
        auto *box = new QDateTimeEdit(minute(t), this);
        box->setObjectName(name);
        box->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
        box->setCalendarPopup(true);
        return box;
    };
    dtpReportFrom = dateBox(QStringLiteral("dtpReportFrom"), from);
    dtpReportTo = dateBox(QStringLiteral("dtpReportTo"), to);
    txtMktDhR = new QSpinBox(this);
    txtMktDhR->setObjectName(QStringLiteral("txtMktDhR"));
    txtMktDhR->setRange(1000, 100000);
    txtMktDhR->setValue(int(report::DefaultDhR));
    txtMktDhR->setSuffix(QStringLiteral(" K"));
    txtMktDhR->setToolTip(tr("平均动力学温度（MKT）的活化能除以气体常数，USP <1160> 的默认值为 10000 K（ΔH = 83.144 kJ/mol）"));
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("制作报告…"));

    auto *form = new QFormLayout(this);
    form->addRow(tr("从"), dtpReportFrom);
    form->addRow(tr("到"), dtpReportTo);
    form->addRow(tr("MKT 的 ΔH/R"), txtMktDhR);
    form->addRow(new QLabel(tr("报告含各传感器的统计、记录完整性、曲线和这段时间的报警，存为 PDF。"), this));
    form->addRow(buttons);

    const auto check = [this] { buttons->button(QDialogButtonBox::Ok)->setEnabled(this->from() <= this->to()); };
    connect(dtpReportFrom, &QDateTimeEdit::dateTimeChanged, this, check);
    connect(dtpReportTo, &QDateTimeEdit::dateTimeChanged, this, check);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    check();
}

QDateTime ReportDialog::from() const { return minute(dtpReportFrom->dateTime()); }
QDateTime ReportDialog::to() const { return minute(dtpReportTo->dateTime()); }
double ReportDialog::dhR() const { return txtMktDhR->value(); }
