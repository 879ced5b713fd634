#include "core/records/recorddownload.h"
#include "core/link/frames.h"
#include "core/records/recorddecode.h"

RecordDownload::RecordDownload(Link &link, const records::ReplyWindow &window, QObject *parent)
    : QObject(parent), m_link(link), m_window(window), m_kind(kinds::RecordRead)
{
    m_kind.firstWaitMs = window.recordWindowMs;
    m_kind.quietDisplay = true;  // the runner shows the traffic with its progress
    m_kind.settles = true;
}

bool RecordDownload::stopping(const Link::Hold &hold) const
{
    return hold.cancel().cancelled() || !m_link.isOpen();
}

records::DownloadOutcome::End RecordDownload::stoppedEnd(const Link::Hold &hold) const
{
    using End = records::DownloadOutcome::End;
    switch (hold.cancel().reason().value_or(CancelReason::PortLost)) {
    case CancelReason::Stop: return End::Stopped;
    case CancelReason::Closing: return End::Closing;
    case CancelReason::PortLost: break;
    }
    return End::PortLost;
}

RecordDownload::Verdict RecordDownload::readOne(const Link::Hold &hold, uint8_t address, int k, int sensors,
                                                Exchange &last)
{
    const auto start = records::recordStart(k, sensors);
    if (!start)
        return Verdict::Unread;
    const QByteArray request = modbus::readInput(address, *start, uint8_t(records::registersPerRecord(sensors)));
    QByteArray candidate;  // a reply that waits for a second read to agree with it
    // The attempts count the requests that brought nothing to trust; the second read that confirms a
    // doubtful reply is not one of them.
    for (int failed = 0; failed < m_window.attempts;) {
        if (stopping(hold))
            return Verdict::Stopped;
        if (m_needGuard && !m_link.awaitSilence(hold, m_window.guardMs) && stopping(hold))
            return Verdict::Stopped;
        m_needGuard = false;
        last = m_link.exchange(hold, m_kind, request);
        if (!last.sent || last.aborted)
            return Verdict::Stopped;
        if (!last.info.exact()) {
            // Nothing usable; whatever answer is still on its way must be gone before the next request.
            ++failed;
            m_suspect = true;
            m_needGuard = true;
            candidate.clear();
            continue;
        }
        const QByteArray data = last.reply.mid(3, last.reply.size() - 5);
        const bool record = records::isRecordData(data, sensors);
        const bool doubtful = m_suspect || (record && !m_lastKept.isEmpty() && records::recordTimeBefore(data, m_lastKept));
        if (doubtful && data != candidate) {
            // Read it again after the guard; only the same bytes twice are believed.
            if (!candidate.isEmpty())
                ++failed;  // two reads disagreed
            candidate = data;
            m_needGuard = true;
            continue;
        }
        m_suspect = false;
        if (!record)
            return Verdict::NotRecord;
        m_lastKept = data;
        emit recordRead(k, data);
        return Verdict::Kept;
    }
    return Verdict::Unread;
}

records::DownloadOutcome RecordDownload::run(const Link::Hold &hold, uint8_t address, int first, int count,
                                             int sensors)
{
    using End = records::DownloadOutcome::End;
    records::DownloadOutcome d;
    d.first = first;
    d.total = count;
    m_suspect = false;
    m_needGuard = false;
    m_lastKept.clear();
    int silentInARow = 0;
    Exchange last;
    const int end = first + count - 1;
    for (int k = first; k <= end; ++k) {
        if (stopping(hold)) {
            d.end = stoppedEnd(hold);
            d.notTriedFrom = k;
            break;
        }
        emit progress(k, k - first, count, last);
        const Verdict v = readOne(hold, address, k, sensors, last);
        if (v == Verdict::Stopped) {
            // The record under way when the run was stopped counts as not read.
            d.end = stoppedEnd(hold);
            d.unread.append(k);
            d.notTriedFrom = k < end ? k + 1 : 0;
            break;
        }
        if (v == Verdict::Kept)
            ++d.read;
        else if (v == Verdict::NotRecord)
            d.notRecords.append(k);
        else
            d.unread.append(k);
        silentInARow = v == Verdict::Unread ? silentInARow + 1 : 0;
        if (!m_link.isOpen()) {
            d.end = End::PortLost;
            d.notTriedFrom = k < end ? k + 1 : 0;
            break;
        }
        if (silentInARow >= records::SilentRecordsLimit && k < end) {
            d.end = End::DeviceSilent;
            d.notTriedFrom = k + 1;
            break;
        }
    }
    // A reply still on its way must not meet the next command's request.
    if (m_needGuard && !stopping(hold))
        m_link.awaitSilence(hold, m_window.guardMs);
    m_last = last;
    emit finished(d);
    return d;
}
