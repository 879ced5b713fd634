#include "core/jobs/downloadandkeep.h"
#include "core/config/recordersettings.h"
#include "core/records/recorddownload.h"
#include <utility>

namespace jobs {

DownloadAndKeep::DownloadAndKeep(Link &link, const records::ReplyWindow &window, Keep keep, QObject *parent)
    : QObject(parent), m_link(link), m_window(window), m_keep(std::move(keep))
{
}

Downloaded DownloadAndKeep::download(const Link::Hold &hold, uint8_t address, int first, int count, int sensors)
{
    Downloaded d;
    d.records.reserve(count);
    RecordDownload engine(m_link, m_window);
    connect(&engine, &RecordDownload::progress, this, &DownloadAndKeep::progress);
    connect(&engine, &RecordDownload::blockReadsRefused, this, &DownloadAndKeep::blockReadsRefused);
    connect(&engine, &RecordDownload::recordRead, this, [&](const records::Record &r) {
        d.records.append(r);
        emit recordRead(r);
    });
    d.outcome = engine.run(hold, address, first, count, sensors);
    m_last = engine.lastExchange();
    return d;
}

DownloadAndKeep::Result DownloadAndKeep::run(const Link::Hold &hold, uint8_t address, int first, int count, int sensors)
{
    const Link::Hold part = hold.part();
    const auto outer = std::exchange(m_running, part.cancel());
    const int intervalS = recorder::readInterval(m_link, part, address, m_window.attempts).value_or(0);
    emit started(count);
    Result r{download(part, address, first, count, sensors), {}};
    m_running = outer;
    r.downloaded.intervalS = intervalS;
    emit ended(r.downloaded);
    if (m_keep)
        r.keptNote = m_keep(address, r.downloaded);
    return r;
}

void DownloadAndKeep::stop()
{
    if (m_running)
        m_running->cancel(CancelReason::Stop);
}

} // namespace jobs
