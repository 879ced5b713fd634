#include "core/site/site.h"
#include "core/link/exchange.h"

namespace site {

Site loadSite(const QString &appDir)
{
    Site s;
    s.appDir = appDir;
    s.comm = settings::readComm(appDir);
    s.mod = settings::readMod(appDir);
    s.replyWindow = settings::readReplyWindow(appDir);
    s.ports.loadOverrides(appDir, &s.portProblems);
    s.names.load(appDir, &s.nameProblems);
    s.sensors.load(appDir, &s.sensorProblem);
    s.archive = archive::configuredArchive(appDir, &s.archiveProblems);
    return s;
}

void applyReplyWindow(Link &link, const settings::ReplyWindow &window)
{
    link.setEchoMode(window.echo);
    link.setGuardMs(window.guardMs);
    link.setConnectTimeoutMs(window.connectTimeoutMs);
}

QString openLink(Link &link, const settings::ReplyWindow &window, const QString &target, int baud, int com)
{
    // Before the open: a network line is connected within it, with the connect timeout.
    applyReplyWindow(link, window);
    return link.open(target, baud, com);
}

QString openLink(Link &link, const Site &site, const QString &target, int baud, int com)
{
    return openLink(link, site.replyWindow.value, target, baud, com);
}

bool openArchive(archive::RecordStore &store, const Site &site, QString *error, QString *note, archive::ArchiveConfig *used)
{
    return archive::openArchive(store, site.archive, site.archiveProblems, error, note, used);
}

} // namespace site
