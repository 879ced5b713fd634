// wl8806n-watch: watches the recorders' live values without a window, as a user service.
#include "watch/watchapp.h"
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The window's name: the watcher keeps to the window's per-user folder and archive.
    QCoreApplication::setApplicationName(QStringLiteral("wl8806n"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WL_VERSION));
    const auto to = [](FILE *stream) {
        return [stream](const QString &text) {
            const QByteArray bytes = text.toUtf8();
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
            std::fflush(stream);
        };
    };
    return watch::run(QCoreApplication::arguments(), {to(stdout), to(stderr), {}});
}
