#include "sim/timingfuzz.h"
#include "core/config/recordersettings.h"
#include "core/jobs/liveread.h"
#include "core/jobs/modulepass.h"
#include "core/link/busshare.h"
#include "core/link/exchange.h"
#include "core/link/hex.h"
#include "core/records/recordcount.h"
#include "core/records/recorddownload.h"
#include "core/records/recorddecode.h"
#include "sim/simrecorder.h"
#include <QCoreApplication>
#include <QMap>
#include <QSet>
#include <random>

namespace sim::timing {

namespace {
constexpr int Baud = 19200;
constexpr int Sensors = 20;
constexpr qint64 Ms = 1'000'000;

struct Names {
    Job job;
    const char *name;
};
constexpr Names JobNames[] = {{Job::DownloadBlocks, "download-blocks"}, {Job::DownloadSingles, "download-singles"},
                              {Job::LiveRead, "live-read"}, {Job::SettingsReads, "settings-reads"},
                              {Job::ModulePass, "module-pass"}, {Job::DownloadViaWatcher, "download-via-watcher"}};

// One line with its devices and a link on virtual time.
struct Bench {
    VirtualClock clock;
    VirtualLine *line = nullptr;
    Link link;
    records::ReplyWindow window;
    Bench(const Plan &plan, QStringList *log)
    {
        auto owned = std::make_unique<VirtualLine>(clock, Baud);
        line = owned.get();
        line->setPlan(plan);
        link.setClock(&clock);
        link.setGuardMs(window.guardMs);
        link.attach(std::move(owned));
        if (log) {
            QObject::connect(&link, &Link::requestSent, &link, [this, log](const ExchangeKind &, const QByteArray &request) {
                *log << QStringLiteral("%1 > %2").arg(double(clock.nowNs()) / 1e9, 0, 'f', 3).arg(hexText(request));
            });
            QObject::connect(&link, &Link::exchangeFinished, &link, [this, log](const ExchangeKind &, const Exchange &ex) {
                *log << QStringLiteral("%1 < %2 (%3)").arg(double(clock.nowNs()) / 1e9, 0, 'f', 3).arg(ex.stateText,
                                                                                                      modbus::describeReply(ex.info));
            });
        }
    }
    DeviceState &recorder(uint8_t address, int records, int firstMinute)
    {
        DeviceState &d = line->device(address);
        const QDateTime first = QDateTime(QDate(2026, 11, 1), QTime(0, 0)).addSecs(60LL * firstMinute);
        d.setRecords(SimRecorder::demoRecords(records, first, Sensors));
        // Live values that do not drift, distinct from register to register and device to device.
        for (int r = 0; r < 20; ++r) {
            d.holding[size_t(r)] = uint16_t(1000 * address + r);
            d.pinned.set(size_t(r));
        }
        d.holding[116] = uint16_t(60 + address);  // the interval: distinct from the other words read
        return d;
    }
};

void fail(Tally &t, Job job, quint64 seed, const QString &what)
{
    if (t.failures.size() < 20)
        t.failures << QStringLiteral("%1 seed %2: %3 (replay: build/bench/bench_timing --job %1 --seed %2)")
                          .arg(QLatin1String(jobName(job))).arg(seed).arg(what);
}

// The records a download kept, checked against the memory; the positions it named.
void checkDownload(Tally &t, Job job, quint64 seed, const DeviceState &dev, const records::DownloadOutcome &d,
                   const QList<records::Record> &kept, const QSet<QByteArray> &strays)
{
    QSet<int> named(d.unread.cbegin(), d.unread.cend());
    named.unite(QSet<int>(d.notRecords.cbegin(), d.notRecords.cend()));
    if (d.notTriedFrom > 0)
        for (int k = d.notTriedFrom; k <= d.last(); ++k)
            named.insert(k);
    QSet<int> keptAt;
    for (const records::Record &r : kept) {
        const QByteArray truth = SimRecorder::recordBytes(dev.records[r.position - 1]);
        if (r.data != truth || keptAt.contains(r.position)) {
            bool stray = false;
            for (const QByteArray &s : strays)
                stray = stray || s.contains(r.data);
            ++(stray ? t.strayTaken : t.misplaced);
            fail(t, job, seed, QStringLiteral("record %1 kept with another record's bytes").arg(r.position));
        }
        keptAt.insert(r.position);
    }
    if (d.read != kept.size())
        fail(t, job, seed, QStringLiteral("the report says %1 kept, %2 were").arg(d.read).arg(kept.size()));
    for (int k = d.first; k <= d.last(); ++k)
        if (!keptAt.contains(k) && !named.contains(k)) {
            ++t.unnamed;
            fail(t, job, seed, QStringLiteral("record %1 neither kept nor named").arg(k));
        }
}

void checkValue(Tally &t, Job job, quint64 seed, const char *what, std::optional<int> taken, int truth)
{
    if (taken && *taken != truth) {
        ++t.strayTaken;
        fail(t, job, seed, QStringLiteral("%1 %2 taken, the device holds %3").arg(QLatin1String(what)).arg(*taken).arg(truth));
    }
}

void download(Bench &b, Tally &t, Job job, quint64 seed, std::mt19937_64 &rng)
{
    const int count = std::uniform_int_distribution<int>(2, 16)(rng);
    DeviceState &dev = b.recorder(21, count, 0);
    b.window.blockReads = job != Job::DownloadSingles;
    // Through the watcher: the engine runs on a client's link, each request relayed to the bench's.
    std::optional<busshare::BusRelay> relay;
    std::optional<Link> client;
    Link *link = &b.link;
    if (job == Job::DownloadViaWatcher) {
        const QString target = QStringLiteral("timing-%1-%2").arg(QCoreApplication::applicationPid()).arg(seed);
        const QString why = relay.emplace(b.link).listen(target);
        client.emplace().setGuardMs(b.window.guardMs);
        if (!why.isEmpty() || !client->open(target, Baud, 0).isEmpty() || !client->viaWatcher()) {
            ++t.unnamed;
            fail(t, job, seed, QStringLiteral("the watcher's socket could not be used: %1").arg(why));
            return;
        }
        link = &*client;
    }
    RecordDownload engine(*link, b.window);
    QList<records::Record> kept;
    QObject::connect(&engine, &RecordDownload::recordRead, &engine, [&](const records::Record &r) { kept << r; });
    auto hold = link->tryHold();
    const records::DownloadOutcome d = engine.run(*hold, 21, 1, count, Sensors);
    checkDownload(t, job, seed, dev, d, kept, QSet<QByteArray>(b.line->strays().cbegin(), b.line->strays().cend()));
}

void liveReads(Bench &b, Tally &t, Job job, quint64 seed)
{
    DeviceState &dev = b.recorder(21, 0, 0);
    // Blocks of the same shape with other words: the live values, then the polling table's.
    auto hold = b.link.tryHold();
    for (int i = 0; i < 12; ++i) {
        const jobs::LiveTarget target{21, 3, uint16_t(i % 2 ? 24 : 0), 20};
        const jobs::LiveReading reading = jobs::readLiveValues(b.link, *hold, target);
        if (!reading.exchange.info.exact())
            continue;  // shown as the bytes that came, nothing taken as values
        for (int w = 0; w < reading.words.size(); ++w)
            if (reading.words[w] != dev.holding[size_t(target.start + w)]) {
                ++t.strayTaken;
                fail(t, job, seed, QStringLiteral("live read from %1 took word %2 of another request").arg(target.start).arg(w));
                break;
            }
    }
}

void settingsReads(Bench &b, Tally &t, Job job, quint64 seed)
{
    const DeviceState &dev = b.recorder(21, 37, 0);
    const int attempts = b.window.attempts;
    auto hold = b.link.tryHold();
    for (int i = 0; i < 4; ++i) {
        checkValue(t, job, seed, "count", records::readRecordCount(b.link, *hold, 21, attempts).count, dev.holding[121]);
        checkValue(t, job, seed, "interval", recorder::readInterval(b.link, *hold, 21, attempts), dev.holding[116]);
        checkValue(t, job, seed, "sensor count", recorder::readSensorCount(b.link, *hold, 21, attempts), dev.sensorCount());
    }
}

void modulePass(Bench &b, Tally &t, Job job, quint64 seed, std::mt19937_64 &rng)
{
    constexpr int Modules = 3;
    QMap<uint8_t, const DeviceState *> devices;
    for (uint8_t m = 1; m <= Modules; ++m)
        devices.insert(m, &b.recorder(m, std::uniform_int_distribution<int>(1, 8)(rng), 10000 * m));
    QMap<uint8_t, jobs::Downloaded> got;
    jobs::DownloadAndKeep keep(b.link, b.window, [&](uint8_t address, const jobs::Downloaded &d) {
        got.insert(address, d);
        return QString();
    });
    jobs::ModulePass pass(b.link, keep);
    QObject::connect(&pass, &jobs::ModulePass::countRead, &pass, [&](uint8_t a, const records::CountRead &c) {
        checkValue(t, job, seed, "count", c.count, devices[a]->holding[121]);
    });
    QObject::connect(&pass, &jobs::ModulePass::liveRead, &pass, [&](const jobs::LiveTarget &target, const jobs::LiveReading &r) {
        if (r.exchange.info.exact() && r.words.size() == 20 && r.words[0] != devices[target.device]->holding[0]) {
            ++t.strayTaken;
            fail(t, job, seed, QStringLiteral("module %1's live values from another request").arg(target.device));
        }
    });
    jobs::ModulePassSettings s;
    s.modules = Modules;
    s.live = {1, 3, 0, 20};
    s.pauseMs = 100;
    s.sensors = Sensors;
    QStringList notes;
    auto hold = b.link.tryHold();
    pass.run(*hold, s, notes);
    const QSet<QByteArray> strays(b.line->strays().cbegin(), b.line->strays().cend());
    for (auto it = got.cbegin(); it != got.cend(); ++it)
        checkDownload(t, job, seed, *devices[it.key()], it->outcome, it->records, strays);
}
} // namespace

const char *jobName(Job job)
{
    for (const Names &n : JobNames)
        if (n.job == job)
            return n.name;
    return "?";
}

bool jobNamed(const QString &name, Job *job)
{
    for (const Names &n : JobNames)
        if (name == QLatin1String(n.name)) {
            *job = n.job;
            return true;
        }
    return false;
}

Plan randomPlan(quint64 seed)
{
    auto rng = std::make_shared<std::mt19937_64>(seed ^ 0x9E3779B97F4A7C15ULL);
    return [rng](const QByteArray &, int) {
        std::mt19937_64 &g = *rng;
        const auto between = [&g](qint64 lo, qint64 hi) { return std::uniform_int_distribution<qint64>(lo, hi)(g); };
        Delivery d;
        const int roll = int(between(0, 999));
        // Most answers come in time; the rest spread over every distance a slow line can give.
        if (roll < 550)
            d.lateNs = between(0, 2 * Ms);
        else if (roll < 680)
            d.lateNs = between(2 * Ms, 290 * Ms);      // within the reply window
        else if (roll < 780)
            d.lateNs = between(290 * Ms, 1200 * Ms);   // past the window, within the guard
        else if (roll < 850)
            d.lateNs = between(1200 * Ms, 2600 * Ms);  // past the guard
        else if (roll < 890)
            d.lateNs = between(2600 * Ms, 6000 * Ms);  // seconds
        else if (roll < 930)
            d.lost = true;
        else if (roll < 950)
            d.cutBy = int(between(1, 4));
        else if (roll < 965)
            d.doubled = true;
        else {
            d.noise = QByteArray(int(between(1, 3)), '\0');
            for (char &c : d.noise)
                c = char(between(0, 255));
        }
        if (between(0, 99) < 4)
            d.strayEarly = double(between(0, 999)) / 1000.0;
        return d;
    };
}

void run(Job job, quint64 seed, Tally &tally, const Plan &plan, QStringList *log, int heldFrames)
{
    std::mt19937_64 rng(seed);
    Bench b(plan ? plan : randomPlan(seed), log);
    b.line->setHeldFrames(heldFrames);
    switch (job) {
    case Job::DownloadBlocks:
    case Job::DownloadSingles:
    case Job::DownloadViaWatcher: download(b, tally, job, seed, rng); break;
    case Job::LiveRead: liveReads(b, tally, job, seed); break;
    case Job::SettingsReads: settingsReads(b, tally, job, seed); break;
    case Job::ModulePass: modulePass(b, tally, job, seed, rng); break;
    }
    ++tally.runs;
    tally.exchanges += b.line->requestsWritten();
}

} // namespace sim::timing
