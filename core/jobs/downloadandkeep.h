#pragma once
#include "core/archive/recordstore.h"
#include "core/link/exchange.h"
#include "core/records/downloadreport.h"
#include "core/records/record.h"
#include "core/records/replywindow.h"
#include <QObject>
#include <functional>

// Downloading a range of records and keeping them: the recording interval first (it goes with the
// records into the archive: the viewer judges gaps by it), then the records through the download
// engine, then whatever the caller keeps them in (the archive, files). The window's "读取所有记录",
// its module pass and the collector all download through it.
namespace jobs {

struct Downloaded {
    records::DownloadOutcome outcome;
    QList<records::Record> records;  // kept, in download order
    int intervalS = 0;               // the recording interval read before; 0 when it could not be read
};

class DownloadAndKeep : public QObject {
    Q_OBJECT
public:
    // Keeps what a download of the device at address brought; returns the note to show after the
    // download's own ("已存档，新增 12 条", or why nothing was kept), empty for none.
    using Keep = std::function<QString(uint8_t address, const Downloaded &downloaded)>;

    DownloadAndKeep(Link &link, const records::ReplyWindow &window, Keep keep = {}, QObject *parent = nullptr);

    struct Result {
        Downloaded downloaded;
        QString keptNote;
    };
    // The interval, records first … first + count − 1 (N = sensors values each; the caller has
    // checked that the last one's registers exist: records::recordStart) and the keeping of them.
    // A cancel of hold ends the download with the cancel's reason, and so does stop(); what was read
    // is kept.
    Result run(const Link::Hold &hold, uint8_t address, int first, int count, int sensors);
    // The records alone, without the interval and without keeping them.
    Downloaded download(const Link::Hold &hold, uint8_t address, int first, int count, int sensors);

    const Exchange &lastExchange() const { return m_last; }
    const records::ReplyWindow &window() const { return m_window; }
    // Ends the run under way (not the command it is a part of) as its "停止".
    void stop();

signals:
    // After the interval, before the first record is asked.
    void started(int count);
    // Before record k is asked: done records of total are behind; last is the latest exchange.
    void progress(int k, int done, int total, const Exchange &last);
    void recordRead(const records::Record &record);
    // The recorder refused block reads (why says how); the rest is read one record a request.
    void blockReadsRefused(const QString &why);
    // The download has ended; the records are kept next.
    void ended(const Downloaded &downloaded);

private:
    Link &m_link;
    records::ReplyWindow m_window;
    Keep m_keep;
    Exchange m_last;
    std::optional<CommandCancel> m_running;  // the cancel of the run under way
};

} // namespace jobs
