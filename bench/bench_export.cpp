// Exports the fullest memory the recorder holds (2,850 records of 20 channels) to each format and
// prints the times against the 200 ms target. Run by hand: build/bench/bench_export [records]
#include "core/export/exportformats.h"
#include "core/export/recordparser.h"
#include "core/export/xlsworkbook.h"
#include "core/link/hex.h"
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
    QString received;
    for (const auto &r : recs)
        received += hexText(sim::SimRecorder::recordBytes(r));
    QTemporaryDir dir;
    std::printf("%d records of 20 channels, %lld characters of received text\n", count, qlonglong(received.size()));

    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QSaveFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.commit();
    };
    report("parse only", bestOf(5, [&] { records::parseRecords(received, 20); }));
    report("text file (parse + write)", bestOf(5, [&] {
        write(QStringLiteral("out.txt"), exports::textFile(records::parseRecords(received, 20), 0));
    }));
    report("CSV (parse + write)", bestOf(5, [&] {
        write(QStringLiteral("out.csv"), exports::csvFile(records::parseRecords(received, 20), 0));
    }));
    report("workbook .xls (parse + write)", bestOf(5, [&] {
        QString error;
        xls::writeWorkbook(dir.filePath(QStringLiteral("out.xls")),
                           exports::workbookSheet(records::parseRecords(received, 20), 0), &error);
    }));
    return 0;
}
