#pragma once
#include "core/records/recordtext.h"
#include <QWidget>

class Desktop;
class QPushButton;

// What an export reads and where it shows its progress: the records tab.
class ExportSource {
public:
    virtual ~ExportSource() = default;
    // Whether there is anything to export.
    virtual bool hasRecords() const = 0;
    // The records to export, a text's read with N values each.
    virtual records::RecordText exportRecords(int sensors) const = 0;
    virtual QString countText() const = 0;   // records the recorder reported as valid: the upper bound
    virtual QString sensorText() const = 0;  // values per record
    // The progress panel: shown before the work, the number of records, then the last record written
    // (its place, 0: none, and its line) as it is hidden.
    virtual void showExportStarted() = 0;
    virtual void showExportTotal(int records) = 0;
    virtual void showExportEnded(int lastPlace, const QString &line) = 0;
};

// The export buttons of the records tab: text file, workbook and CSV.
class ExportPanel : public QWidget {
    Q_OBJECT
public:
    ExportPanel(Desktop &desktop, ExportSource &source, QWidget *parent = nullptr);

    void exportText();      // "导出数据为记事本TXT"
    void exportWorkbook();  // "导出数据为EXCEL表格"
    void exportCsv();       // "导出数据为CSV"

    QPushButton *cmdExportText;
    QPushButton *cmdExportXls;
    QPushButton *cmdExportCsv;

signals:
    // The records were written to path (whole; some may have been left out and said so).
    void exported(const QString &path);

private:
    enum class Format { Text, Workbook, Csv };
    void runExport(Format format);

    Desktop &m_desktop;
    ExportSource &m_src;
};


// The workbook of an export at time now: "data/4-27-3-21.xls", or "…(2).xls" and on when an export
// of the same minute is already there.
QString workbookPath(const QString &appDir, const QDateTime &now);
