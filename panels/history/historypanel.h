#pragma once
#include "core/archive/recordstore.h"
#include "core/view/period.h"
#include "core/settings/sensortable.h"
#include <QWidget>
class HistoryModel;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class ValueLabel;
class QListWidget;
class QPushButton;
class QSplitter;
class QTableView;
class RecordChart;
class RecorderNamePanel;
struct PanelContext;
// "历史数据": the archived records of one recorder over a period, as a chart above a table (a splitter
// between them), and the period exported as text, workbook, .xlsx or CSV, the chart as PNG, PDF or a
// print. Opened, it shows the chosen recorder's last 30 days, and again after a download stored
// records of it. It reads the archive only: the bus is never used, so it works while a download runs.
class HistoryPanel : public QWidget {
    Q_OBJECT
public:
    HistoryPanel(PanelContext &context, QWidget *parent = nullptr);
    // The recorders the archive holds, the chosen one kept when it is still there.
    void refreshRecorders();
    // Reads the chosen recorder's records from dtpFrom to dtpTo into the table and the chart, and says
    // so on the status line.
    void showPeriod();
    // The chosen recorder's whole span of records.
    void showWholeSpan();
    enum class Format { Text, Xls, Xlsx, Csv };
    void exportPeriod(Format format);
    void savePng();
    void savePdf();
    void printChart();
    // "报告…": the period report of the recorder shown, its period and ΔH/R asked in a dialog.
    void makeReport();
    // The report written to a file the user names.
    void writeReport(const QString &recorder, const QDateTime &from, const QDateTime &to, double dhR);
    void editArchiveSettings();
    const view::PeriodView &period() const { return m_period; }
    // The sensors' names and limits changed: captions, lines, limits and the filter follow.
    void applySensors();
    QComboBox *cboRecorder;
    QDateTimeEdit *dtpFrom;
    QDateTimeEdit *dtpTo;
    QPushButton *cmdHistoryShow;
    QPushButton *cmdHistoryAll;
    QPushButton *cmdArchiveSettings;
    QCheckBox *chkOutOfRange;
    QSplitter *splHistory;      // the chart above, the table below
    QTableView *tblHistory;
    QListWidget *lstSensors;
    RecordChart *chart;
    ValueLabel *lblCursor;
    ValueLabel *lblHistoryState;
    QPushButton *cmdExportText;
    QPushButton *cmdExportXls;
    QPushButton *cmdExportXlsx;
    QPushButton *cmdExportCsv;
    QPushButton *cmdSavePng;
    QPushButton *cmdSavePdf;
    QPushButton *cmdPrint;
    QPushButton *cmdReport;
    QPushButton *cmdResetZoom;
    RecorderNamePanel *namePanel;
protected:
    // The tab shown: the recorders archived meanwhile, and the recorder in use for naming.
    void showEvent(QShowEvent *event) override;
private:
    // The constructor's steps.
    void makePeriodChoice();   // the recorder, the period boxes and their commands
    void makeViews();          // the table, the sensor list, the chart and its labels
    void makeFileButtons();    // exports, chart files, print, report, zoom
    void layOut();             // the choice above, chart over table, the buttons below; Tab order
    void connectControls();
    // The chosen recorder's span into the period boxes: at most its last 30 days.
    void chooseRecorder();
    // Its last 30 days read and shown, the status line left alone.
    void showRecent();
    // The period in the boxes read into the table and the chart; the state label sums it up, or says
    // why nothing could be read.
    void readPeriod();
    void showSensors();        // the sensor list after a period is read
    void drawChart();          // the checked sensors' lines
    void markSelection();      // the rows picked in the table, on the chart
    void applyFilter();        // all rows, or those holding a value outside its limits
    sensors::Sensor sensorOf(int index) const;  // sensor index + 1 of the recorder shown
    QString sensorCaption(int index) const;
    QStringList namedColumns() const;   // the CSV's sensor names: empty where a sensor has none
    archive::RecordStore *store();
    // The file name to save the period or chart as, asked in the save dialog; empty when cancelled.
    // It suggests "<recorder>_<from date>_<to date>.<suffix>", the period boxes' dates unless given.
    // The name offered: what (when given), the recorder and the period's days.
    QString askName(const QString &title, const QString &suffix, QDate from = {}, QDate to = {}, const QString &what = {});
    void fitColumns();         // the time column as wide as its text, every sensor column narrow
    // The chart saved by save into a file the user names.
    void saveChart(const QString &title, const QString &suffix, bool (RecordChart::*save)(const QString &, QString *));
    PanelContext &m_ctx;
    HistoryModel *m_model;
    QList<archive::StoredRecord> m_records;  // the period read, as the archive holds it
    view::PeriodView m_period;
    QString m_recorder;                      // the recorder m_records belong to
    bool m_stale = false;                    // records of the chosen recorder were stored since
};
