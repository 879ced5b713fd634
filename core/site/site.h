#pragma once
#include "core/settings/archivesettings.h"
#include "core/settings/comports.h"
#include "core/settings/recorders.h"
#include "core/settings/sensortable.h"
#include "core/settings/settingsfiles.h"
#include <QString>
#include <QStringList>
#include <optional>

class Link;

// One site set-up: the application folder read the one way every program reads it, and a link opened
// with the folder's line settings. The window, the collector and the watcher all start here, so none
// of them can open a line without replywin.set's echo, guard and connect timeout.
//
// Reading the folder says nothing and writes nothing: each file's problem is kept beside what was used
// instead, for the program to say in its own way (a message box, standard error, the journal).
namespace site {

struct Site {
    QString appDir;
    settings::Loaded<settings::Comm> comm;                // comm.set: the port and rate in use
    settings::Loaded<settings::Mod> mod;                  // ModSet.set: the device address, the module count
    settings::Loaded<settings::ReplyWindow> replyWindow;  // replywin.set: the download's waits and the line's settings
    ComPorts ports;                                       // the COM numbers, with comports.map's overrides
    QStringList portProblems;
    RecorderNames names;                                  // recorders.set
    QStringList nameProblems;
    sensors::SensorTable sensors;                         // sensors.set: names and limits
    QString sensorProblem;
    std::optional<archive::ArchiveConfig> archive;        // archive.set; nothing when it cannot be used
    QStringList archiveProblems;
};

Site loadSite(const QString &appDir);

// The reply window's settings that belong to the line: the adapter's echo, the guard after a doubtful
// exchange, the longest wait for a network line's connection.
void applyReplyWindow(Link &link, const settings::ReplyWindow &window);

// Opens target (a device path or a line's URL) at baud for COM com (0: none names it), the window's
// line settings applied first. Empty when it opened, else the link's message saying why not.
QString openLink(Link &link, const settings::ReplyWindow &window, const QString &target, int baud, int com);
QString openLink(Link &link, const Site &site, const QString &target, int baud, int com);

// The archive archive.set names, opened (its password from the keyring); false and *error when the
// file or the archive cannot be used. As archive::openConfiguredArchive, from the folder as it was read.
bool openArchive(archive::RecordStore &store, const Site &site, QString *error, QString *note,
                 archive::ArchiveConfig *used = nullptr);

} // namespace site
