#include "core/records/recorddownload.h"
#include "core/link/frames.h"
#include "core/records/recorddecode.h"
#include <QCoreApplication>
#include <algorithm>
#include <cmath>

RecordDownload::RecordDownload(Link &link, const records::ReplyWindow &window, QObject *parent)
    : QObject(parent), m_link(link), m_window(window), m_kind(kinds::RecordDownload)
{
    m_kind.firstWaitMs = window.recordWindowMs;
    m_kind.guardMs = window.guardMs;
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

RecordDownload::Verdict RecordDownload::readRun(const Link::Hold &hold, uint8_t address, int k, int n, int sensors,
                                                int attempts, Exchange &last, QList<QByteArray> &data)
{
    const auto start = records::recordStart(k, sensors);
    if (!start || !records::recordStart(k + n - 1, sensors))
        return Verdict::Unread;
    const int perRecord = records::registersPerRecord(sensors);
    const QByteArray request = modbus::readInput(address, *start, uint8_t(n * perRecord));
    ExchangeKind kind = m_kind;
    // The window is one record's; the further records' bytes take their own time on the line.
    const int baud = std::max<qint32>(m_link.baudRate(), 1);
    kind.firstWaitMs += int(std::ceil((n - 1) * 2 * perRecord * 10'000.0 / baud));
    QByteArray candidate;  // a reply that waits for a second read to agree with it
    // The attempts count the requests that brought nothing to trust; the second read that confirms a
    // doubtful reply is not one of them. After a failed attempt the link keeps the guard before the
    // next request and confirms the first reply after it itself.
    for (int failed = 0; failed < attempts;) {
        if (stopping(hold))
            return Verdict::Stopped;
        last = m_link.exchange(hold, kind, request);
        if (!last.sent || last.aborted)
            return Verdict::Stopped;
        if (n > 1 && last.info.cls == modbus::ReplyClass::Exception && last.reply.size() == 5)
            return Verdict::Refused;  // a whole frame: nothing else is on its way
        if (!last.info.exact()) {
            // Nothing usable; whatever answer is still on its way must be gone before the next request.
            ++failed;
            candidate.clear();
            continue;
        }
        const QByteArray bytes = last.reply.mid(3, last.reply.size() - 5);
        data.clear();
        bool doubtful = false;
        QByteArray before = m_lastKept;
        for (int i = 0; i < n; ++i) {
            data << bytes.mid(qsizetype(i) * 2 * perRecord, 2 * perRecord);
            if (!records::isRecordData(data.last(), sensors))
                continue;
            doubtful = doubtful || (!before.isEmpty() && records::recordTimeBefore(data.last(), before));
            before = data.last();
        }
        if (doubtful && bytes != candidate) {
            // Read it again after the guard; only the same bytes twice are believed.
            if (!candidate.isEmpty())
                ++failed;  // two reads disagreed
            candidate = bytes;
            m_link.distrust();
            continue;
        }
        return Verdict::Read;
    }
    return Verdict::Unread;
}

int RecordDownload::runLength(int k, int last, int sensors) const
{
    if (m_blocks == Blocks::Off)
        return 1;
    const int fit = records::MaxReadRegisters / records::registersPerRecord(sensors);
    return std::max(1, std::min({fit, last - k + 1, records::lastAddressableRecord(sensors) - k + 1}));
}

void RecordDownload::refuseBlocks(records::DownloadOutcome &d, const QString &why)
{
    m_blocks = Blocks::Off;
    d.mode = records::DownloadOutcome::Mode::BlockRefused;
    d.refusal = why;
    emit blockReadsRefused(why);
}

void RecordDownload::sortRun(records::DownloadOutcome &d, int k, int n, const QList<QByteArray> *data, int sensors,
                             int &silentInARow, bool &singlesRead)
{
    for (int i = 0; i < n; ++i) {
        const int r = k + i;
        if (!data) {
            d.unread.append(r);
            singlesRead = false;
            ++silentInARow;
        } else if (!records::isRecordData((*data)[i], sensors)) {
            d.notRecords.append(r);
            silentInARow = 0;
        } else {
            ++d.read;
            m_lastKept = (*data)[i];
            emit recordRead(records::Record{r, (*data)[i]});
            silentInARow = 0;
        }
    }
}

records::DownloadOutcome RecordDownload::run(const Link::Hold &hold, uint8_t address, int first, int count,
                                             int sensors)
{
    using End = records::DownloadOutcome::End;
    using Mode = records::DownloadOutcome::Mode;
    records::DownloadOutcome d;
    d.network = line::schemeOf(m_link.portName()) != line::Scheme::Serial;
    d.first = first;
    d.total = count;
    d.mode = m_window.blockReads && count > 1 ? Mode::Block : Mode::Single;
    m_blocks = d.mode == Mode::Block ? Blocks::Probing : Blocks::Off;
    m_lastKept.clear();
    int silentInARow = 0;
    // A block that failed: its records up to singlesTo are asked one by one. While the recorder is still
    // being judged, their success counts against block reads.
    int singlesTo = 0;
    bool judging = false, singlesRead = true;
    int probeFailures = 0;
    Exchange last;
    const int end = first + count - 1;
    for (int k = first; k <= end;) {
        if (stopping(hold)) {
            d.end = stoppedEnd(hold);
            d.notTriedFrom = k;
            break;
        }
        const int n = k > singlesTo ? runLength(k, end, sensors) : 1;
        emit progress(k, k - first, count, last);
        QList<QByteArray> data;
        const Verdict v = readRun(hold, address, k, n, sensors, n > 1 ? 1 : m_window.attempts, last, data);
        if (v == Verdict::Stopped) {
            // The records under way when the run was stopped count as not read.
            d.end = stoppedEnd(hold);
            for (int i = k; i < k + n; ++i)
                d.unread.append(i);
            d.notTriedFrom = k + n <= end ? k + n : 0;
            break;
        }
        if (n > 1 && v != Verdict::Read) {
            if (v == Verdict::Refused && m_blocks == Blocks::Probing)
                refuseBlocks(d, QCoreApplication::translate("records", "成块读取得到异常应答：%1").arg(modbus::describeReply(last.info)));
            else {
                singlesTo = k + n - 1;
                judging = m_blocks == Blocks::Probing;
                singlesRead = true;
            }
            continue;  // the same records, one a request
        }
        if (n > 1)
            m_blocks = Blocks::On;
        sortRun(d, k, n, v == Verdict::Read ? &data : nullptr, sensors, silentInARow, singlesRead);
        k += n;
        if (judging && k > singlesTo) {
            judging = false;
            if (singlesRead && ++probeFailures >= 2)
                refuseBlocks(d, QCoreApplication::translate("records", "两次成块读取失败，而逐条读取成功"));
        }
        if (!m_link.isOpen()) {
            d.end = End::PortLost;
            d.notTriedFrom = k <= end ? k : 0;
            break;
        }
        if (silentInARow >= records::SilentRecordsLimit && k <= end) {
            d.end = End::DeviceSilent;
            d.notTriedFrom = k;
            break;
        }
    }
    m_last = last;
    emit finished(d);
    return d;
}
