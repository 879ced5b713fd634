// A month of one recorder (43,200 records a minute apart, 20 sensors, two of them temperatures with
// limits) to a finished report: the archive read, the statistics, the pages and the chart drawn, the
// PDF written. The median of three runs; the last line is "report: records=43200 ms=…".
// Run by hand: QT_QPA_PLATFORM=offscreen build/bench/bench_report
#include "scratchstore.h"
#include "core/report/reportpdf.h"
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");  // a report needs no display
    QGuiApplication app(argc, argv);
    constexpr int Records = 30 * 1440, Sensors = 20;
    const QDateTime start(QDate(2026, 11, 1), QTime(0, 0));
    QTemporaryDir dir;
    archive::RecordStore store;
    QString error;
    if (!openScratchStore(store, dir))
        return 1;
    archive::Batch batch{"冷库一号", 21, 59, QDateTime::currentDateTimeUtc(), "COM4", {}};
    const auto bcd = [](int v) { return char((v / 10) << 4 | v % 10); };
    for (int k = 0; k < Records; ++k) {
        const QDateTime t = start.addSecs(60LL * k);
        QByteArray r{"\x5B"};
        for (int f : {t.date().year() % 100, t.date().month(), t.date().day(), t.time().hour(), t.time().minute()})
            r += bcd(f);
        for (int s = 0; s < Sensors; ++s) {
            // A day's swing around 5 °C that leaves 2.0 … 8.0 now and then; a reading missing at times.
            const int v = (k * 7 + s) % 5000 == 0 ? 0xD8F1 : 50 + (k % 1440) * 40 / 1440 - 20 + s * 3 + (k / 97 + s) % 9;
            r += char(v >> 8), r += char(v);
        }
        batch.records << records::Record{k + 1, r};
    }
    if (!store.records().store(batch, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    sensors::SensorTable table;
    table.set("冷库一号", 1, {"北墙", "℃", 20, 80}, &error);
    table.set("冷库一号", 2, {"南墙", "℃", 20, 80}, &error);
    const report::Request request{"冷库一号", 0, {}, start, start.addSecs(60LL * (Records - 1)), report::DefaultDhR,
                                  QDateTime::currentDateTime(), report::osUser(), QStringLiteral("bench"), {}};
    QList<double> ms;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        if (!report::writeReport(store, table, request, dir.filePath("report.pdf"), &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        ms << t.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    if (argc > 1) QFile::copy(dir.filePath("report.pdf"), argv[1]);
    std::printf("PDF of %lld bytes\n", QFileInfo(dir.filePath("report.pdf")).size());
    std::printf("report: records=%d ms=%.0f\n", Records, ms[1]);
    return 0;
}
