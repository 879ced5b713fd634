#pragma once
#include "core/settings/sensortable.h"
#include "core/archive/recordstore.h"
#include "core/link/exchange.h"
#include "core/records/replywindow.h"
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
// One recorder's part of a collection, inside the bus hold of the run.
namespace collect {
struct DeviceResult {
    uint8_t address = 0;
    QString recorder;                // the name its records are archived under
    bool usable = false;             // its record count was read
    int count = 0;                   // the count downloaded against (the last one read)
    int read = 0;                    // records read in this run
    QList<int> missing;              // record numbers that brought nothing to trust, or were not tried
    QList<int> notRecords;           // positions that hold no record
    int firstRead = 0;               // --since-last: the first record read (0: none)
    std::optional<int> added;        // rows the archive added; nothing when not stored
    QMap<QString, QString> files;    // "csv" → the path written
    QMap<QString, QString> filesFailed;  // "csv" → the path that could not be written
    bool partialFiles = false;       // the files went beside the asked names: records are missing
    bool archiveFailed = false;      // the archive refused the records or a question
    std::optional<bool> cleared;     // --clear-after: whether the count was cleared
    std::optional<bool> clockSet;    // --set-clock: whether every write was confirmed
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

struct DeviceJob {
    uint8_t address = 0;
    int sensors = 0;                        // values a record; 0: the recorder's own
    records::ReplyWindow window;
    QString recorder;
    QString port;                           // the identity's port half, stored with each record
    archive::RecordStore *store = nullptr;  // nothing: --no-archive, or an archive that cannot be used
    const sensors::SensorTable *limits = nullptr;  // the sensors' names and limits
    QMap<QString, QString> files;           // "csv" / "xls" / "txt" → path
    bool sinceLast = false, clearAfter = false, setClock = false;
    // Before record k is asked: done of total are behind.
    std::function<void(int done, int total)> progress;
};

// Reads the recorder's sensor count first: records are framed by it, so a job that names another
// number reads nothing.
DeviceResult collectDevice(Link &link, const Link::Hold &hold, const DeviceJob &asked);
} // namespace collect
