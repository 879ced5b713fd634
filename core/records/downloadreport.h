#pragma once
#include <QList>
#include <QString>

// How a download of records first … first + total − 1 ended, and what the user is told about it.
namespace records {

struct DownloadOutcome {
    enum class End {
        Complete,      // every record was tried
        Stopped,       // "停止" (or the module group's stop)
        PortLost,      // the port closed or vanished
        DeviceSilent,  // too many records in a row without a valid reply
        Closing,       // the window is closing
    };
    End end = End::Complete;
    // How the records were asked for: one a request, several a request, or one a request because the
    // recorder refused block reads (refusal says how).
    enum class Mode { Single, Block, BlockRefused };
    Mode mode = Mode::Single;
    QString refusal{};
    int first = 1;
    int total = 0;
    int read = 0;          // records kept
    QList<int> unread{};   // records tried (with their retries) that brought no reply to trust
    QList<int> notRecords{}; // positions that answered with a valid frame holding no record (erased memory)
    int notTriedFrom = 0;  // the first record not tried when it ended early; 0 when all were tried
    bool network = false;  // the line is a connection (a device server, a gateway), not a serial port

    int last() const { return first + total - 1; }
    bool allRead() const { return read == total; }
};

// Records in a row without a valid reply after which a download gives up on the device.
constexpr int SilentRecordsLimit = 10;

// The message shown at the end of a download, or the empty text when there is nothing to tell
// beyond the status line (every record read, or the window closing). receiveArea: the window's,
// whose receive area keeps what was read; a program without one says only how many were read.
QString downloadMessage(const DownloadOutcome &d, bool receiveArea = true);

// The status line after a download.
QString downloadStatus(const DownloadOutcome &d);

} // namespace records
