#pragma once
#include <QWidget>

class Desktop;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class ValueLabel;

// The controls an export reads and the progress panel it shows; they belong to the records tab.
struct ExportSources {
    QTextEdit *txtReceive;
    QTextEdit *txtDecoded;
    QLineEdit *txtRecord;     // records the recorder reported as valid: the upper bound
    QLineEdit *txtSensorNum;  // values per record
    QWidget *progressPanel;
    ValueLabel *lblActivity;       // "正在处理"
    ValueLabel *lblRecordTotal;    // "共N条"
    ValueLabel *lblCurrentRecord;  // the record being handled
};

// The export buttons of the records tab: text file, workbook and CSV.
class ExportPanel : public QWidget {
    Q_OBJECT
public:
    ExportPanel(Desktop &desktop, const ExportSources &sources, QWidget *parent = nullptr);

    void exportText();      // "导出数据为记事本TXT"
    void exportWorkbook();  // "导出数据为EXCEL表格"
    void exportCsv();       // "导出数据为CSV"

    QPushButton *cmdExportText;
    QPushButton *cmdExportXls;
    QPushButton *cmdExportCsv;

private:
    enum class Format { Text, Workbook, Csv };
    void runExport(Format format);
    // The file a save dialog export goes to, or empty when the user gave none.

    Desktop &m_desktop;
    ExportSources m_src;
};


// The workbook of an export at time now: "data/4-27-3-21.xls", or "…(2).xls" and on when an export
// of the same minute is already there.
QString workbookPath(const QString &appDir, const QDateTime &now);
