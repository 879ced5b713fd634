#pragma once
#include "core/records/memoryfill.h"
#include "core/records/record.h"
#include "panels/export/exportpanel.h"
#include <QWidget>
#include <optional>

class Desktop;
class ExportPanel;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextEdit;
class ValueLabel;

// Tab "记录操作": the downloaded records, the decoded lines and the commands on them. The records
// read are kept as they came and shown as hex in txtReceive; the exports write them, or what the box
// holds once somebody typed or pasted into it.
class RecordsPanel : public QWidget, public ExportSource {
    Q_OBJECT
public:
    explicit RecordsPanel(Desktop &desktop, QWidget *parent = nullptr);

    // Place a control of another panel in a frame of this tab, after the boxes: "有效记录总数（及指针）"
    // (the count and pointer commands), "按记录按条读取…" (the record reads, the sensor-count read).
    void addToRecordCountFrame(QWidget *control);
    void addToRecordReadFrame(QWidget *control);

    // The parts of the tab as a reader goes through them.
    QList<QWidget *> readingOrder() const;

    // "清空数据区": empties the two data boxes; nothing else.
    void clearDataBoxes();

    // What the commands on records read from this tab, checked: out of range or not a whole number,
    // a message names the box and nothing is returned.
    std::optional<int> recordNumber();  // "记录号", 1 … 65536
    std::optional<int> recordCount();   // "条数", 0 … 65535
    std::optional<int> sensorCount();   // "传感器总数", 1 … records::MaxSensors

    void showRecordCount(int n);
    // How full the memory is by the count and sensor-count boxes; nothing when either is no number.
    std::optional<records::MemoryFill> memoryFill() const;
    void showSensorCount(int n);
    void setNextRecordNumber(int k);
    // A record "单条" read: its decoded line (N values) and its hex.
    void appendRecord(const records::Record &record, int sensors);
    // A download: empty data boxes and the progress bar; at the end the hex in one insertion, as a
    // text box lays out its whole paragraph again on every change.
    void beginDownload(int count);
    void showProgress(int k, int done, int total, qint64 elapsedMs);
    void endDownload(const QList<records::Record> &received);

    // What the exports read.
    bool hasRecords() const override;
    records::RecordText exportRecords(int sensors) const override;
    QString countText() const override;
    QString sensorText() const override;
    void showExportStarted() override;
    void showExportTotal(int records) override;
    void showExportEnded(int lastPlace, const QString &line) override;

    QWidget *progressPanel;       // shown while records are read or exported
    ValueLabel *lblActivity;      // what is being done
    ValueLabel *lblRecordTotal;   // how many records
    ValueLabel *lblCurrentRecord; // the record being handled
    QProgressBar *prgRecords;     // records done of n (downloads only)
    ValueLabel *lblTimeLeft;          // the time a download still needs
    QPushButton *cmdClearData;    // "清空数据区"
    ExportPanel *exportPanel;     // the export buttons
    QGroupBox *recordCountFrame;  // "有效记录总数（及指针）"
    QLineEdit *txtRecord;         // records the recorder holds
    QLineEdit *txtRecPoint;
    ValueLabel *lblMemoryFill;        // the count against the memory's capacity, and the warning
    QGroupBox *recordReadFrame;   // "按记录按条读取（…）"
    QLineEdit *txtRecordNumber;   // the record "单条" reads next
    QLineEdit *txtSensorNum;      // values per record
    QTextEdit *txtDecoded;        // the decoded lines
    QTextEdit *txtReceive;        // the records as received, in hex
    QLabel *lblPauseHint;         // pause recording before reading records

private:
    void makeProgressPanel();  // "PicCounter": what is being done, the record reached, the bar
    void makeRecordFrames();   // the record count frame and the frame of reads record by record
    void showMemoryFill();
    std::optional<int> whole(const QLineEdit *box, const QString &caption, int lo, int hi);

    // Appends to txtReceive what the program read; a change made any other way marks the box edited.
    void appendReceived(const QList<records::Record> &received);

    Desktop &m_desktop;
    QHBoxLayout *m_countRow;
    QList<records::Record> m_received;  // what txtReceive shows, while nobody edited it
    bool m_writing = false;             // the program is changing txtReceive
    bool m_edited = false;              // txtReceive was changed by hand since the program wrote it
};
