// wl8806n-watch: watches the recorders' live values without a window, as a user service.
#include "watch/watchapp.h"
#include "core/process/output.h"
#include "sim/demo.h"
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The window's name: the watcher keeps to the window's per-user folder and archive.
    QCoreApplication::setApplicationName(QStringLiteral("wl8806n"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WL_VERSION));
    sim::Demo demo;  // --demo: the built-in simulated recorder
    return watch::run(QCoreApplication::arguments(), {process::writerTo(stdout), process::writerTo(stderr), {}, &demo});
}
