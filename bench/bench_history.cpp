// Opening a month of one recorder from a big archive into the history table and chart, timed from the
// query's start to the chart's first paint; and a full memory (2,849 records) stored into that archive.
// The archive holds half a year of the recorder (one record a minute, 20 sensors) beside a month of
// each of nine other recorders. SQLite in a temporary folder; PostgreSQL too, on a server of its own
// as the tests start one when PostgreSQL is installed, or on the one WL_BENCH_PG names as "host port
// database user" (its password, if any, from ~/.pgpass). Prints figures, the median of five runs. Run by hand: QT_QPA_PLATFORM=offscreen build/bench/bench_history
#include "core/archive/recordstore.h"
#include "core/view/period.h"
#include "panels/history/historymodel.h"
#include "panels/history/recordchart.h"
#include "sim/pgserver.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int Sensors = 20;

// Records one a minute from start; values that wander, with a sensor that has no reading now and then.
QList<QByteArray> minuteRecords(const QDateTime &start, int count, int seed)
{
    QList<QByteArray> out;
    out.reserve(count);
    for (int k = 0; k < count; ++k) {
        const QDateTime t = start.addSecs(60LL * k);
        const auto bcd = [](int v) { return char((v / 10) << 4 | v % 10); };
        QByteArray r;
        r.reserve(6 + 2 * Sensors);
        r += char(0x5B);
        r += bcd(t.date().year() % 100), r += bcd(t.date().month()), r += bcd(t.date().day());
        r += bcd(t.time().hour()), r += bcd(t.time().minute());
        for (int s = 0; s < Sensors; ++s) {
            const int v = (k * 7 + s * 13 + seed) % 3000 == 0 ? 0xD8F1 : 150 + s * 10 + (k / 30 + seed + s) % 80;
            r += char(v >> 8), r += char(v);
        }
        out << r;
    }
    return out;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void fill(archive::RecordStore &store, const QDateTime &start)
{
    QString error;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // The recorder asked about: half a year, in downloads of a full memory each.
    const int halfYear = 183 * 1440;
    for (int done = 0; done < halfYear; done += 2849)
        store.records().store({"冷库一号", 21, 60, now, "COM4", records::numbered(minuteRecords(start.addSecs(60LL * done), std::min(2849, halfYear - done), 0))}, &error);
    for (int other = 1; other <= 9; ++other)
        for (int done = 0; done < 30 * 1440; done += 2849)
            store.records().store({QStringLiteral("COM%1-21").arg(other + 4), 21, 60, now, "COM4",
                         records::numbered(minuteRecords(start.addSecs(60LL * done), 2849, other))}, &error);
    if (!error.isEmpty())
        std::fprintf(stderr, "filling: %s\n", qPrintable(error));
}

void measure(const char *what, const archive::ArchiveConfig &config)
{
    archive::RecordStore store;
    QString error;
    if (!store.open(config, &error)) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(error));
        return;
    }
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
    QElapsedTimer t;
    t.start();
    fill(store, start);
    std::printf("%s: archive filled in %.1f s\n", what, t.nsecsElapsed() / 1e9);

    QTableView table;
    HistoryModel model;
    table.setModel(&model);
    RecordChart chart;
    chart.resize(1200, 600);
    chart.show();
    table.resize(500, 600);
    table.show();
    QList<double> query, decode, draw, total;
    qsizetype rows = 0;
    for (int run = 0; run < 5; ++run) {
        const QDateTime from = start.addDays(90 + run), to = from.addDays(30);
        QElapsedTimer all;
        all.start();
        const QList<archive::StoredRecord> records = store.records().period("冷库一号", from, to, &error);
        query << all.nsecsElapsed() / 1e6;
        const qint64 decodeStart = all.nsecsElapsed();
        view::PeriodView period = view::periodView(records);
        model.setPeriod(&period);
        decode << (all.nsecsElapsed() - decodeStart) / 1e6;
        const qint64 drawStart = all.nsecsElapsed();
        QVector<RecordChart::ChartSeries> series;
        for (int s = 0; s < period.sensors; ++s)
            series.append({HistoryModel::sensorName(s), period.series[s]});
        chart.setSeries(series);
        table.grab();
        chart.grab();  // paints the chart as the screen would
        draw << (all.nsecsElapsed() - drawStart) / 1e6;
        total << all.nsecsElapsed() / 1e6;
        rows = period.rows.size();
        model.setPeriod(nullptr);
    }
    std::printf("%s: one month (%lld records × %d sensors): query %.0f ms, decode %.0f ms, table and chart painted %.0f ms, "
                "total %.0f ms (target: well under 1000 ms)\n",
                what, (long long)rows, Sensors, median(query), median(decode), median(draw), median(total));

    QList<double> stores;
    int added = 0;
    for (int run = 0; run < 5; ++run) {
        const auto batch = minuteRecords(start.addDays(400 + 3 * run), 2849, 0);
        t.restart();
        added = store.records().store({"冷库一号", 21, 60, QDateTime::currentDateTimeUtc(), "COM4", records::numbered(batch)}, &error).value_or(-1);
        stores << t.nsecsElapsed() / 1e6;
    }
    std::printf("%s: a full memory (2849 records) stored into it: %.0f ms, %d added (target: well under 1000 ms)\n",
                what, median(stores), added);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    measure("SQLite", {archive::ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}});
    const QStringList pg = QString::fromLocal8Bit(qgetenv("WL_BENCH_PG")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (pg.size() == 4) {
        measure("PostgreSQL", {archive::ArchiveConfig::Postgres, {}, pg[0], pg[1].toInt(), pg[2], pg[3], {}});
        return 0;
    }
    PgServer server;
    QString why;
    if (server.start(&why) && server.createDatabase(QStringLiteral("bench"), &why))
        measure("PostgreSQL", server.config(QStringLiteral("bench")));
    else
        std::printf("PostgreSQL: not measured (no server: %s)\n", qPrintable(why.left(200)));
    return 0;
}
