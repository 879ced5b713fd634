#include "core/jobs/collectdownload.h"
#include "core/config/clockset.h"
#include "core/config/recordersettings.h"
#include "core/link/frames.h"
#include "core/records/downloadreport.h"
#include "core/records/recordcount.h"
#include "core/records/recorddecode.h"
#include "core/jobs/downloadandkeep.h"
#include "core/jobs/downloadcheck.h"

namespace jobs {

namespace {
// Rounds of "the count grew during the download" a clear follows before it gives up: a recorder
// that records faster than it can be read is never cleared.
constexpr int ClearRounds = 5;

struct Run {
    Link &link;
    const Link::Hold &hold;
    const CollectJob &job;
    Collected &res;
    int done = 0;   // records tried before the current range, for the progress
    int total = 0;
    int intervalS = 0;
};

// What a download of records first … first + count − 1 left unread or could not end goes into the
// result's lists; its records go into got.
void takeDownload(Run &r, const Downloaded &d, QMap<int, QByteArray> &got)
{
    for (const records::Record &rec : d.records)
        got.insert(rec.position, rec.data);
    r.res.read += d.outcome.read;
    r.res.missing += d.outcome.unread;
    r.res.notRecords += d.outcome.notRecords;
    if (d.outcome.notTriedFrom > 0)
        for (int k = d.outcome.notTriedFrom; k <= d.outcome.last(); ++k)
            r.res.missing << k;
    using End = records::DownloadOutcome::End;
    if (d.outcome.end == End::Stopped || d.outcome.end == End::Closing)
        r.res.interrupted = true;
    else if (d.outcome.end != End::Complete)
        r.res.problems << records::downloadMessage(d.outcome, false).split(QLatin1Char('\n')).join(QLatin1Char(' '));
}

// The download job of the run, its progress going to the job's progress.
std::unique_ptr<DownloadAndKeep> downloader(Run &r, DownloadAndKeep::Keep keep = {})
{
    auto job = std::make_unique<DownloadAndKeep>(r.link, r.job.window, std::move(keep));
    QObject::connect(job.get(), &DownloadAndKeep::progress, job.get(), [&r](int, int done, int) {
        if (r.job.progress)
            r.job.progress(r.done + done, r.total);
    });
    return job;
}

void endProgress(Run &r, const records::DownloadOutcome &d, int first, int count)
{
    if (r.job.progress)
        r.job.progress(r.done + (d.notTriedFrom > 0 ? d.notTriedFrom - first : count), r.total);
    r.done += count;
}

// Reads records first … first + count − 1 with the window's download and reply window; what could
// not be read goes into the result's lists.
QMap<int, QByteArray> readRange(Run &r, int first, int count)
{
    QMap<int, QByteArray> got;
    if (count <= 0)
        return got;
    const Downloaded d = downloader(r)->download(r.hold, r.job.address, first, count, r.job.sensors);
    endProgress(r, d.outcome, first, count);
    takeDownload(r, d, got);
    return got;
}

void archiveProblem(Run &r, const QString &error)
{
    r.res.problems << QStringLiteral("存档：%1").arg(error);
    r.res.archiveFailed = true;
}

// The first position of the run of records identical to the one at k, reading back what was not
// seen: the archive numbers identical records that follow each other, so a run is stored whole.
int identicalFrom(Run &r, QMap<int, QByteArray> &seen, int k)
{
    int from = k;
    while (seen.contains(k) && from > 1 && !r.hold.stopped()) {
        if (!seen.contains(from - 1))
            seen.insert(readRange(r, from - 1, 1));
        if (seen.value(from - 1) != seen.value(k))
            break;
        --from;
    }
    return from;
}

// The positions before from that earlier runs left unread and the memory still reaches are read
// again, into kept; a position that fails again stays missing.
void readAgain(Run &r, QMap<int, QByteArray> &seen, QMap<int, QByteArray> &kept, int from)
{
    QString error;
    const auto holes = r.job.store->records().missingPositions(r.job.recorder, &error);
    if (!holes)
        return archiveProblem(r, error);
    QList<int> wanted;
    for (int k : *holes)
        if (k < from && k <= r.res.count && !r.res.missing.contains(k))
            wanted << k;
    for (qsizetype i = 0, j = 0; i < wanted.size(); i = ++j) {
        while (j + 1 < wanted.size() && wanted[j + 1] == wanted[j] + 1)
            ++j;
        if (r.hold.stopped() || !r.link.isOpen()) {
            r.res.missing << wanted.mid(i, j - i + 1);
            continue;
        }
        seen.insert(readRange(r, wanted[i], int(j - i + 1)));
        for (int k = identicalFrom(r, seen, wanted[i]); k <= wanted[j]; ++k)
            if (seen.contains(k))
                kept.insert(k, seen[k]);
    }
}

// From the newest record backwards, a read's worth at a time, until a record the archive holds:
// what came after it is new. The run of records identical to that one is read whole, so that the
// archive numbers its occurrences as it did when it first kept them. Then the positions earlier runs
// could not read are read again.
QMap<int, QByteArray> readSinceLast(Run &r)
{
    const int chunk = std::max(1, records::MaxReadRegisters / records::registersPerRecord(r.job.sensors));
    QMap<int, QByteArray> seen;
    int held = 0;
    int k = r.res.count;
    while (k >= 1 && !held && !r.hold.stopped() && r.link.isOpen()) {
        const int first = std::max(1, k - chunk + 1);
        seen.insert(readRange(r, first, k - first + 1));
        for (int j = k; j >= first && !held; --j) {
            if (!seen.contains(j))
                continue;
            QString error;
            const auto holds = r.job.store->records().holds(r.job.recorder, seen[j], &error);
            if (!holds) {
                archiveProblem(r, error);
                return {};
            }
            if (*holds)
                held = j;
        }
        k = first - 1;
    }
    const int from = held ? identicalFrom(r, seen, held) : 1;
    // Records before the one held are the archive's already; only later ones can be missing. A read
    // that ended before it met one leaves the older ones unread.
    const auto older = [&](int j) { return j < from; };
    r.res.missing.removeIf(older);
    r.res.notRecords.removeIf(older);
    for (int j = 1; !held && j <= k; ++j)
        r.res.missing << j;
    r.res.firstRead = from;
    QMap<int, QByteArray> kept;
    for (auto it = seen.lowerBound(from); it != seen.end(); ++it)
        kept.insert(it.key(), it.value());
    readAgain(r, seen, kept, from);
    return kept;
}

// The values of rec outside their sensor's limits, read by the record's own decoding (as the archive
// and the viewer read it): nothing for what holds no record or no date that exists.
void outOfRange(Run &r, const records::Record &rec)
{
    const auto time = records::isRecordData(rec.data, r.job.sensors) ? rec.time() : std::nullopt;
    if (!time)
        return;
    QVector<std::optional<int>> tenths;
    for (int j = 0; j < r.job.sensors; ++j)
        tenths.append(rec.value(j));
    for (int s : r.job.limits->outOfRange(r.job.recorder, tenths))
        r.res.outOfRange.append({rec.position, time->toString(QStringLiteral("yyyy-MM-dd HH:mm")), s, *tenths[s - 1]});
}

// Stores the records and writes the files; false when any of it failed. The archive learns which
// positions are still missing, for the next backward read.
bool keep(Run &r, const QMap<int, QByteArray> &kept)
{
    QList<records::Record> data;
    data.reserve(kept.size());
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        data.append({it.key(), *it});
    if (r.job.limits)
        for (const records::Record &rec : data)
            outOfRange(r, rec);
    std::sort(r.res.missing.begin(), r.res.missing.end());
    bool ok = true;
    if (r.job.store) {
        QString error;
        const auto added = r.job.store->records().store({r.job.recorder, r.job.address, r.intervalS, QDateTime::currentDateTimeUtc(),
                                               r.job.port, data, r.res.missing, r.res.count}, &error);
        if (added) {
            r.res.added = r.res.added.value_or(0) + *added;
        } else {
            r.res.problems << QStringLiteral("未能存档：%1").arg(error);
            r.res.archiveFailed = true;
            ok = false;
        }
    }
    r.res.partial = r.res.interrupted || !r.res.missing.isEmpty();
    if (!r.job.keepFiles)
        return ok;
    QStringList names;
    for (int n = 1; r.job.limits && n <= sensors::MaxSensor; ++n)
        names << r.job.limits->sensor(r.job.recorder, n).name;
    const QStringList failures = r.job.keepFiles(data, r.job.sensors, r.res.partial, names);
    r.res.problems << failures;
    return ok && failures.isEmpty();
}

// Clears the count only when the count read again just before still is the count read; records
// that arrived meanwhile are read and kept first.
void clearAfter(Run &r, QMap<int, QByteArray> &kept)
{
    r.res.cleared = false;
    if (!r.res.complete() || r.res.interrupted) {
        r.res.problems << QStringLiteral("有记录未读出或未保存，条数未清零");
        return;
    }
    for (int round = 0; round < ClearRounds; ++round) {
        const records::CountRead again = records::readRecordCount(r.link, r.hold, r.job.address, r.job.window.attempts);
        if (r.hold.stopped())
            return;
        if (!again.count) {
            r.res.problems << QStringLiteral("清零前再次读条数：%1，条数未清零").arg(modbus::describeReply(again.exchange.info));
            return;
        }
        if (*again.count < r.res.count) {
            r.res.problems << QStringLiteral("清零前条数从 %1 变为 %2，条数未清零").arg(r.res.count).arg(*again.count);
            return;
        }
        if (*again.count == r.res.count) {
            const records::CountClear clear = records::clearRecordCount(r.link, r.hold, r.job.address);
            r.res.cleared = clear.done();
            if (!clear.done())
                r.res.problems << QStringLiteral("清条数未被确认：%1")
                                      .arg(recorder::writeProblem(clear.coil ? *clear.coil : clear.countWrite));
            return;
        }
        const int before = r.res.count;
        r.res.count = *again.count;
        r.total = r.res.count;
        kept.insert(readRange(r, before + 1, r.res.count - before));
        const bool keptAll = keep(r, kept);  // what was read is kept even when the clear is off
        if (!r.res.complete() || r.res.interrupted || !keptAll) {
            r.res.problems << QStringLiteral("读取期间新增的记录未能全部读出或保存，条数未清零");
            return;
        }
    }
    r.res.problems << QStringLiteral("读取期间条数一直在增加，条数未清零");
}

// The checks before the download, said as the collector says them; false when nothing is read.
bool checked(Link &link, const Link::Hold &hold, CollectJob &job, Collected &res)
{
    using Verdict = DownloadCheck::Verdict;
    const DownloadCheck check = checkDownload(link, hold, job.address, job.window.attempts, {{}, job.sensors, {}, {}});
    if (check.verdict == Verdict::NoCount) {
        if (hold.stopped())
            res.interrupted = true;
        else
            res.problems << QStringLiteral("未读到记录条数（%1）")
                                .arg(check.count.exchange.sent ? modbus::describeReply(check.count.exchange.info)
                                                               : QStringLiteral("端口未打开"));
        return false;
    }
    if (check.verdict == Verdict::Ended || check.verdict == Verdict::NoSensors || check.verdict == Verdict::OtherSensors) {
        if (hold.stopped())
            res.interrupted = true;
        else if (check.verdict != Verdict::OtherSensors)
            res.problems << QStringLiteral("未读到传感器总数（寄存器 136），未读取记录");
        else
            res.problems << QStringLiteral("--sensors：%1，未读取记录").arg(recorder::sensorCountMismatch(*check.recorders, job.sensors));
        return false;
    }
    job.sensors = check.sensors;
    res.usable = true;
    res.count = check.last;
    if (check.verdict == Verdict::BeyondMemory) {
        res.problems << QStringLiteral("%1 条记录超出了寄存器范围（每条 %2 个寄存器时最多 %3 条），未读取记录")
                            .arg(res.count).arg(records::registersPerRecord(job.sensors)).arg(check.lastAddressable);
        return false;
    }
    return true;
}

// Every record from the first, kept as the download ends; true when all of it was kept.
bool readAll(Run &r, QMap<int, QByteArray> &kept)
{
    bool keptAll = false;
    r.res.firstRead = r.res.count > 0 ? 1 : 0;
    downloader(r, [&](uint8_t, const Downloaded &d) {
        endProgress(r, d.outcome, 1, r.res.count);
        takeDownload(r, d, kept);
        r.intervalS = d.intervalS;
        keptAll = keep(r, kept);
        return QString();
    })->run(r.hold, r.job.address, 1, r.res.count, r.job.sensors);
    return keptAll;
}

void setClock(Run &r)
{
    const clockfields::ClockSet set = clockfields::setClock(r.link, r.hold, r.job.address, [] { return QDateTime::currentDateTime(); });
    r.res.clockSet = set.done();
    if (!set.done())
        r.res.problems << QStringLiteral("设置时钟：%1")
                              .arg(set.ended.isEmpty() ? set.unconfirmed.join(QStringLiteral("；")) : set.ended);
}
} // namespace

Collected collectDownload(Link &link, const Link::Hold &hold, const CollectJob &asked)
{
    Collected res;
    res.address = asked.address;
    res.recorder = asked.recorder;
    CollectJob job = asked;
    if (!checked(link, hold, job, res))
        return res;
    Run r{link, hold, job, res};
    r.total = res.count;
    QMap<int, QByteArray> kept;
    bool keptAll = false;
    if (job.options.sinceLast) {
        // The interval goes with the records into the archive: the viewer judges gaps by it.
        r.intervalS = recorder::readInterval(link, hold, job.address, job.window.attempts).value_or(0);
        kept = readSinceLast(r);
        keptAll = keep(r, kept);
    } else {
        keptAll = readAll(r, kept);
    }
    if (job.options.clearAfter && !hold.stopped()) {
        if (keptAll)
            clearAfter(r, kept);
        else
            res.cleared = false;
    }
    if (job.options.setClock && !hold.stopped())
        setClock(r);
    if (hold.stopped())
        res.interrupted = true;
    return res;
}

} // namespace jobs
