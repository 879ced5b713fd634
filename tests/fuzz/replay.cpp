// Without libFuzzer: runs the target once over every file of the corpus folder named on the command line.
#include "fuzzcheck.h"
#include <QDir>
#include <QFile>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty()) {  // a wrong path must not pass as "nothing failed"
        std::fprintf(stderr, "no inputs in %s\n", argv[1]);
        return 1;
    }
    for (const QString &name : names) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(f.fileName()));
            return 1;
        }
        const QByteArray in = f.readAll();
        std::fprintf(stderr, "%s\n", qPrintable(name));  // names the input a crash came from
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(in.constData()), size_t(in.size()));
    }
    std::printf("%lld inputs replayed\n", static_cast<long long>(names.size()));
    return 0;
}
