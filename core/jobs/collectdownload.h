#pragma once
#include "core/archive/recordstore.h"
#include "core/link/exchange.h"
#include "core/records/record.h"
#include "core/records/replywindow.h"
#include "core/settings/sensortable.h"
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// One recorder's records collected into the archive, inside a bus hold the caller has: its record and
// sensor counts checked, then all its records, or with since-last only those after the newest the
// archive holds (and the holes earlier runs left), kept; with clear-after its count cleared once
// everything was kept, with set-clock its clock set to the PC's. The collector and the watcher both
// run it; it prints nothing: the result says what happened, in sentences the callers show.
namespace jobs {

struct CollectOptions {
    bool sinceLast = false;   // only what the archive does not hold yet (needs a store)
    bool clearAfter = false;  // the record count cleared when everything was read and kept
    bool setClock = false;    // the recorder's clock set to the PC's
};

struct CollectJob {
    uint8_t address = 0;
    int sensors = 0;                        // values a record; 0: the recorder's own
    records::ReplyWindow window;
    QString recorder;                       // the name its records are archived under
    QString port;                           // the identity's port half, stored with each record
    archive::RecordStore *store = nullptr;  // nothing: no archive, or an archive that cannot be used
    const sensors::SensorTable *limits = nullptr;  // the sensors' names and limits
    CollectOptions options;
    // Each time records are kept: all of them so far (memory order), whether some are missing or the run
    // was interrupted, and the sensors' names; returns what went wrong (one sentence each). Empty: none.
    std::function<QStringList(const QList<records::Record> &kept, int sensors, bool partial, const QStringList &names)> keepFiles;
    // Before record k is asked: done of total are behind.
    std::function<void(int done, int total)> progress;
};

struct Collected {
    uint8_t address = 0;
    QString recorder;
    bool usable = false;             // its record count was read
    int count = 0;                   // the count downloaded against (the last one read)
    int read = 0;                    // records read in this run
    QList<int> missing;              // record numbers that brought nothing to trust, or were not tried
    QList<int> notRecords;           // positions that hold no record
    int firstRead = 0;               // since-last: the first record read (0: none)
    std::optional<int> added;        // rows the archive added; nothing when not stored
    bool partial = false;            // what was kept last is not all: records are missing, or interrupted
    bool archiveFailed = false;      // the archive refused the records or a question
    std::optional<bool> cleared;     // clear-after: whether the count was cleared
    std::optional<bool> clockSet;    // set-clock: whether every write was confirmed
    QStringList problems;            // what went wrong, one sentence each
    bool interrupted = false;
    // Values of the records read outside their sensor's limits (the archive's decoding).
    struct OutOfRange {
        int record = 0;
        QString time;
        int sensor = 0;
        int tenths = 0;
    };
    QList<OutOfRange> outOfRange;
    bool complete() const { return usable && missing.isEmpty() && notRecords.isEmpty() && problems.isEmpty(); }
};

// Reads the recorder's sensor count first: records are framed by it, so a job that names another
// number reads nothing.
Collected collectDownload(Link &link, const Link::Hold &hold, const CollectJob &job);

} // namespace jobs
