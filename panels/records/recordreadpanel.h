#pragma once
#include "core/link/exchange.h"
#include "core/jobs/downloadandkeep.h"
#include "panels/records/recordspanel.h"
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QPushButton;
struct PanelContext;

// "按记录按条读取…" (Frame15): reading records from the recorder's memory into the received-data box
// txtReceive (and, for "单条", the decoded line into txtDecoded). The boxes belong to the records
// tab; this panel adds the commands to the frame.
class RecordReadPanel : public QWidget {
    Q_OBJECT
public:
    RecordReadPanel(PanelContext &context, RecordsPanel &records);

    void readOneRecord();  // "单条": record txtRecordNumber, then the number advances
    void readAllRecords();      // "读取所有记录": records 1 … txtRecord
    void stopDownload();    // "停止": the running download ends at once (inside a module pass, only its download)
    // "应答等待设置…": the record window, the attempts and the late-reply guard, kept in replywin.set.
    void chooseReplyWindow();

    // A download of records 1 … count shown on the records tab: its boxes emptied, the progress
    // panel, the records into txtReceive at the end, the recording interval read first and the
    // records kept in the archive. The caller runs it inside a hold it owns (it ends early when the
    // caller's command is cancelled, on this frame's "停止", which ends this download only, on a lost
    // port or when the device stays silent) and checks count and sensors first
    // (records::recordStart of the last record must exist). Made afresh, with the reply window of the
    // moment, at every call.
    jobs::DownloadAndKeep &recordsTabDownload();

    // The records tab's sensor count (1 … 122), or a message naming the box and nothing.
    std::optional<int> sensorsFromBox() { return m_records.sensorCount(); }
    // The checks before a download of records up to last (jobs::checkDownload): the recorder's sensor
    // count is read, as records are framed by it. When the box holds another number the user is asked to
    // take the recorder's (the box then shows it). A record past what the registers reach (what names
    // it) is said in a message. The number to download with, or nothing (said on the status line or in
    // the message; nothing is downloaded).
    std::optional<int> checkedSensors(const Link::Hold &hold, uint8_t address, int last, int box, const QString &command,
                                      const QString &what);

    QPushButton *cmdReadOneRec;
    QPushButton *cmdReadAll;
    QPushButton *cmdStopGet;
    QPushButton *cmdReplyWindow;

private:
    void showProgress(int k, int done, int total, qint64 elapsedMs, const Exchange &last);
    // A download job with the reply window of the moment that keeps what it reads in the archive.
    jobs::DownloadAndKeep &newDownload();
    // This frame's "停止" cancels hold's command until the guard ends.
    QScopeGuard<std::function<void()>> stopWith(const Link::Hold &hold);

    PanelContext &m_ctx;
    RecordsPanel &m_records;
    std::unique_ptr<jobs::DownloadAndKeep> m_download;
    std::optional<CommandCancel> m_running;  // the cancel of this frame's command under way
    QElapsedTimer m_clock;                    // since the records tab's download began
    qint64 m_shownAt = 0;                     // when its progress was last shown
};
