#pragma once
#include "core/jobs/downloadandkeep.h"
#include "core/jobs/liveread.h"
#include "core/records/recordcount.h"
#include <QObject>
#include <QStringList>

// A pass over the modules 1 … N of a bus: for each, a live read, a pause, its record count, its
// sensor count and the download and keeping of its records. The module gets no download when its
// count cannot be read (never the previous module's), when its sensor count is not the one asked
// (records are framed by it) or when its records reach past the register space; notes say why.
// A stop of the hold's command ends the pass at once, a download's own stop only that download.
namespace jobs {

struct ModulePassSettings {
    int modules = 0;
    LiveTarget live;      // its device is each module's address in turn
    int pauseMs = 0;      // after the live read
    int sensors = 20;     // values a record
};

class ModulePass : public QObject {
    Q_OBJECT
public:
    enum class End { Complete, Stopped, PortClosed };

    // download: the download of each module's records, whose signals the caller shows.
    ModulePass(Link &link, DownloadAndKeep &download, QObject *parent = nullptr);

    // One pass; notes gathers what went wrong with which module.
    End run(const Link::Hold &hold, const ModulePassSettings &settings, QStringList &notes);

signals:
    void moduleStarted(int module);
    void liveRead(const LiveTarget &target, const LiveReading &reading);
    void countRead(uint8_t address, const records::CountRead &read);
    // A module's download ended and its records were kept (result.keptNote says how).
    void downloaded(uint8_t address, const DownloadAndKeep::Result &result);

private:
    // The module's step ends the pass: the command was stopped or the line closed.
    std::optional<End> ended(const Link::Hold &hold) const;
    // Reads and keeps the records of one module; the pass's end when the pass ends there.
    std::optional<End> passModule(const Link::Hold &hold, const ModulePassSettings &s, int module, QStringList &notes);

    Link &m_link;
    DownloadAndKeep &m_download;
};

} // namespace jobs
