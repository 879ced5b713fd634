#pragma once
#include "core/link/exchange.h"
#include "core/records/recordcount.h"
#include <functional>
#include <optional>

// The checks before records are downloaded, the same for the window's commands, its module pass and
// the collector: the record count (read from the recorder unless the caller knows which records it
// wants), the sensor count (records are framed by it, so one other than asked reads nothing unless
// the caller takes the recorder's) and the register space (a record past it cannot be addressed).
// The caller says what went wrong in its own words.
namespace jobs {

struct DownloadAsk {
    std::optional<int> last;  // the last record wanted; nothing: the recorder's count is read and is it
    int sensors = 0;          // values a record asked; 0: the recorder's own
    // Told of the count as soon as it is read.
    std::function<void(const records::CountRead &)> countRead;
    // The recorder has another sensor count than asked: true goes on with the recorder's. Empty: no.
    std::function<bool(int recorders)> takeRecorders;
};

struct DownloadCheck {
    enum class Verdict {
        Ready,         // records 1 … last with sensors values each can be read
        NoCount,       // the record count could not be read
        Ended,         // after the count, the command was stopped or the line lost: nothing more asked
        NoSensors,     // the sensor count could not be read
        OtherSensors,  // the recorder's sensor count is not the one asked
        BeyondMemory,  // record last lies past the register space
    };
    Verdict verdict = Verdict::Ready;
    records::CountRead count;        // when it was read
    int last = 0;                    // the last record wanted
    std::optional<int> recorders;    // the recorder's sensor count, when read
    int sensors = 0;                 // values a record the records are read with
    int lastAddressable = 0;         // the last record the register space holds at that many
    bool ready() const { return verdict == Verdict::Ready; }
};

DownloadCheck checkDownload(Link &link, const Link::Hold &hold, uint8_t address, int attempts, const DownloadAsk &ask);

} // namespace jobs
