// wl8806n-collect: the recorders' records into the archive or files, from a shell or a timer.
#include "collect/collector.h"
#include "collect/options.h"
#include "core/process/output.h"
#include "core/report/reportpdf.h"
#include "sim/demo.h"
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {
QtMessageHandler g_previous = nullptr;
// The offscreen platform says what it cannot do for windows nobody sees.
void dropPlatformChatter(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && text.startsWith(QLatin1String("This plugin does not support")))
        return;
    g_previous(type, context, text);
}
} // namespace

int main(int argc, char *argv[])
{
    // A report's pages need fonts: for --report the program is a QGuiApplication on the offscreen
    // platform (no display needed); every other run a plain QCoreApplication.
    const bool report = collect::asksReport(argc, argv);
    if (report) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        g_previous = qInstallMessageHandler(dropPlatformChatter);
    }
    const auto app = report ? std::unique_ptr<QCoreApplication>(std::make_unique<QGuiApplication>(argc, argv))
                            : std::make_unique<QCoreApplication>(argc, argv);
    // The window's name: an installed collector keeps to the window's per-user folder and archive.
    QCoreApplication::setApplicationName(QStringLiteral("wl8806n"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WL_VERSION));
    collect::Io io{process::writerTo(stdout), process::writerTo(stderr), ::isatty(STDERR_FILENO) == 1, {}, {}};
    if (report)
        io.report = report::writeReport;
    sim::Demo demo;  // --demo: the built-in simulated recorder
    io.demo = &demo;
    return collect::run(QCoreApplication::arguments(), io);
}
