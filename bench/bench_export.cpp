// Exports the fullest memory the recorder holds (2,850 records of 20 channels) to each format and
// prints the times against the 200 ms target. Run by hand: build/bench/bench_export [records]
#include "core/export/exportformats.h"
#include "core/records/recordtext.h"
#include "core/export/xlsworkbook.h"
#include "sim/simrecorder.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {
template <typename F>
double bestOf(int runs, F &&f)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

void report(const char *what, double ms)
{
    std::printf("%-34s %8.1f ms   target 200 ms   ratio %.2f\n", what, ms, ms / 200.0);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 2850;
    const auto recs = sim::SimRecorder::demoRecords(count, QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
    QList<records::Record> downloaded;
    for (const auto &r : recs)
        downloaded.append({int(downloaded.size()) + 1, sim::SimRecorder::recordBytes(r)});
    const QString received = records::recordsText(downloaded);
    QTemporaryDir dir;
    std::printf("%d records of 20 channels, %lld characters of received text\n", count, qlonglong(received.size()));

    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QSaveFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.commit();
    };
    // The records tab exports what it downloaded; a text pasted into its box is read first.
    report("pasted text read back", bestOf(5, [&] { records::readRecordText(received, 20); }));
    report("text file", bestOf(5, [&] { write(QStringLiteral("out.txt"), exports::textFile(downloaded, 0)); }));
    report("CSV", bestOf(5, [&] { write(QStringLiteral("out.csv"), exports::csvFile(downloaded, 0)); }));
    report("workbook .xls", bestOf(5, [&] {
        QString error;
        xls::writeWorkbook(dir.filePath(QStringLiteral("out.xls")), exports::workbookSheet(downloaded, 0), &error);
    }));
    return 0;
}
