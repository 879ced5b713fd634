// Stores the fullest memory of 20 sensors (2,849 records) in one batch into a fresh SQLite archive,
// then the same memory again (nothing added), and prints both times; the median of five runs, each
// on a new file. Then the first store once more without the trigger that refuses a replaced row, and
// what that trigger costs as a ratio. Run by hand: build/bench/bench_archive [records]
#include "scratchstore.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 2849;
    archive::Batch batch{"COM4-21", 21, 60, QDateTime::currentDateTimeUtc(), "COM4", {}};
    for (int k = 0; k < count; ++k) {
        // One record a minute from 2024-01-01 00:00; 20 words that differ from record to record.
        const int m = k % 60, h = k / 60 % 24, d = 1 + k / 1440;
        QByteArray r = QByteArray::fromHex(QStringLiteral("5B24%1%2%3%4").arg(1, 2, 10, QChar('0'))
                                               .arg(d, 2, 10, QChar('0')).arg(h, 2, 10, QChar('0'))
                                               .arg(m, 2, 10, QChar('0')).toLatin1());
        for (int s = 0; s < 20; ++s)
            r += char((k + s) >> 8), r += char(k + s);
        batch.records << records::Record{k + 1, r};
    }
    QList<double> first, again, bare;
    int added = 0, addedAgain = 0;
    for (int run = 0; run < 5; ++run) {
        QTemporaryDir dir;
        archive::RecordStore store;
        QString error;
        if (!openScratchStore(store, dir))
            return 1;
        QElapsedTimer t;
        t.start();
        added = store.records().store(batch, &error).value_or(-1);
        first << t.nsecsElapsed() / 1e6;
        t.restart();
        addedAgain = store.records().store(batch, &error).value_or(-1);
        again << t.nsecsElapsed() / 1e6;
        QTemporaryDir other;
        archive::RecordStore plain;
        if (!openScratchStore(plain, other) || !QSqlQuery(plain.checks().database()).exec(QStringLiteral("DROP TRIGGER records_no_replace")))
            return 1;
        t.restart();
        plain.records().store(batch, &error);
        bare << t.nsecsElapsed() / 1e6;
    }
    std::sort(bare.begin(), bare.end());
    std::sort(first.begin(), first.end());
    std::sort(again.begin(), again.end());
    std::printf("%d records of 20 words, SQLite: first store %.1f ms (%d added), again %.1f ms (%d added)\n",
                count, first[2], added, again[2], addedAgain);
    std::printf("first store without the trigger that refuses a replaced row %.1f ms: the trigger costs x%.2f\n", bare[2],
                first[2] / bare[2]);
    return 0;
}
