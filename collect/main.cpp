// wl8806n-collect: the recorders' records into the archive or files, from a shell or a timer.
#include "collect/collector.h"
#include "core/process/output.h"
#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The window's name: an installed collector keeps to the window's per-user folder and archive.
    QCoreApplication::setApplicationName(QStringLiteral("wl8806n"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WL_VERSION));
    return collect::run(QCoreApplication::arguments(), {process::writerTo(stdout), process::writerTo(stderr), ::isatty(STDERR_FILENO) == 1});
}
