#pragma once
#include <QByteArray>
#include <QString>
#include <cstdio>
#include <functional>
// Standard output or error as the command-line programs write to them: UTF-8, flushed at once, so a
// journal or a pipe sees each line when it is written.
namespace process {
inline std::function<void(const QString &)> writerTo(FILE *stream)
{
    return [stream](const QString &text) {
        const QByteArray bytes = text.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
        std::fflush(stream);
    };
}
} // namespace process
