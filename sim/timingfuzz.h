#pragma once
// Seeded random timings of the jobs that read, on a virtual line: every answer delayed by a chosen
// amount (prompt, within the reply window, past it, past the guard, seconds), sometimes lost, cut,
// doubled or followed by noise, and now and then a stray copy of an earlier answer that arrives
// sooner than any answer could. Each run checks what a user relies on: every record kept is the one
// at its position, every position not kept is named, and no value taken came from another request.
#include "sim/virtualline.h"
#include <QString>
#include <QStringList>
#include <cstdint>

namespace sim::timing {

// DownloadViaWatcher: a download by another program's link through the watcher's socket, the watcher's
// link on the virtual line. Its client waits on real time for the socket: not among Jobs, which a
// benchmark runs by the million.
enum class Job { DownloadBlocks, DownloadSingles, LiveRead, SettingsReads, ModulePass, DownloadViaWatcher };
constexpr Job Jobs[] = {Job::DownloadBlocks, Job::DownloadSingles, Job::LiveRead, Job::SettingsReads, Job::ModulePass};
const char *jobName(Job job);
bool jobNamed(const QString &name, Job *job);

struct Tally {
    qint64 runs = 0, exchanges = 0;
    qint64 misplaced = 0;   // a record kept at a position it is not from
    qint64 unnamed = 0;     // a position neither kept nor named
    qint64 strayTaken = 0;  // a value (or record) taken from an answer to another request
    QStringList failures;   // "job seed N: what (replay: …)", the first few
    bool held() const { return misplaced == 0 && unnamed == 0 && strayTaken == 0; }
};

// The plan of a seed: how each answer goes.
Plan randomPlan(quint64 seed);

// One run of job on the plan of seed (or on plan, when one is given); adds what it found to tally.
// log, when given, gets a line for each request and answer on the wire.
// heldFrames: requests a busy device keeps to answer in turn (VirtualLine::setHeldFrames).
void run(Job job, quint64 seed, Tally &tally, const Plan &plan = {}, QStringList *log = nullptr, int heldFrames = 0);

} // namespace sim::timing
