// watch.set, read by the settings files' one key=value reader: what each line gives, and the words
// a line that cannot be used is left out with.
#include "core/watch/watchsettings.h"
#include "tablerows.h"
#include <QTest>

using namespace watch;

// Expected: each watched line as "port com addresses poll baud" ("-": comm.set's rate), "at H:mm"
// for records-at, "siren port com address coil on", "ups name host port" and its words again; problem:
// what the sentence holds in parentheses, empty for none.
const auto &fileRows() { static const struct { const char *name, *content, *expected, *problem; } rows[] = {
    {"a whole file, BOM and CR LF", "\xEF\xBB\xBF# 冷库\r\nline=COM4 addresses=21,22 poll-s=60 baud=19200\r\n\r\n  records-at = 2:30 \r\n",
     "COM4 4 21,22 60 19200 | at 02:30", ""},
    {"a network line, the poll's default", "line=rtu-over-tcp://192.168.1.50:4001 addresses=1\n",
     "rtu-over-tcp://192.168.1.50:4001 0 1 60 -", ""},
    {"keys in any case", "LINE=COM4 Addresses=7 POLL-S=5\nRecords-At=23:59", "COM4 4 7 5 - | at 23:59", ""},
    {"several lines", "line=COM4 addresses=1\nline=COM5 addresses=247", "COM4 4 1 60 - | COM5 5 247 60 -", ""},
    {"poll-s 1 and 86400", "line=COM4 addresses=1 poll-s=1\nline=COM5 addresses=1 poll-s=86400", "COM4 4 1 1 - | COM5 5 1 86400 -", ""},
    {"poll-s 0", "line=COM4 addresses=1 poll-s=0", "", "第 1 行（poll-s=）：应为 1–86400 的整数"},
    {"poll-s 86401", "line=COM4 addresses=1 poll-s=86401", "", "第 1 行（poll-s=）：应为 1–86400 的整数"},
    {"poll-s not whole", "line=COM4 addresses=1 poll-s=1.5", "", "第 1 行（poll-s=）：应为 1–86400 的整数"},
    {"poll-s not a number", "line=COM4 addresses=1 poll-s=一分钟", "", "第 1 行（poll-s=）：应为 1–86400 的整数"},
    {"baud 50 and 4000000", "line=COM4 addresses=1 baud=50\nline=COM5 addresses=1 baud=4000000", "COM4 4 1 60 50 | COM5 5 1 60 4000000", ""},
    {"baud 49", "line=COM4 addresses=1 baud=49", "", "第 1 行（baud=）：“49” 不是 50 到 4000000 之间的波特率"},
    {"address 248", "line=COM4 addresses=248", "", "第 1 行（addresses=）：“248” 不是 1 到 247 之间的地址"},
    {"no addresses", "line=COM4 poll-s=5", "", "第 1 行：没有 addresses="},
    {"a port that is none", "line=COM26 addresses=1", "", "第 1 行（line=）："},
    {"unknown key", "# x\ncolour=red\nline=COM4 addresses=1", "COM4 4 1 60 -", "第 2 行（colour=）：不认识的设置"},
    {"unknown field", "line=COM4 addresses=1 speed=9600", "", "第 1 行（speed=）：不认识的设置"},
    {"a field without =", "line=COM4 addresses=1 fast", "", "第 1 行：应为“名称=值”"},
    {"a line without =", "\n\nrecords-at 02:30", "", "第 3 行：应为“名称=值”"},
    {"records-at twice", "records-at=02:30\r\nrecords-at=03:00", "at 02:30", "第 2 行（records-at=）：前面已经设置过"},
    {"a field twice", "line=COM4 addresses=1 addresses=2", "", "第 1 行（addresses=）：前面已经设置过"},
    {"not a time", "records-at=24:00", "", "第 1 行（records-at=）：“24:00”不是时间（如 02:30）"},
    {"not UTF-8", "line=COM4 addresses=1\nline=COM\xff addresses=1", "COM4 4 1 60 -", "第 2 行：不是 UTF-8 文字"},
    {"two refused, in line order", "line=COM4\ncolour=red", "", "第 1 行：没有 addresses=；第 2 行（colour=）：不认识的设置"},
    {"a siren", "siren=COM4 address=30 coil=2", "siren COM4 4 30 2 ff00", ""},
    {"a siren that wants 0001", "siren=/dev/ttyUSB1 Coil=0 address=247 on=0001", "siren /dev/ttyUSB1 0 247 0 1", ""},
    {"a siren without its coil", "siren=COM4 address=30", "", "第 1 行：应写明 address= 和 coil="},
    {"a siren at address 0", "siren=COM4 address=0 coil=1", "", "第 1 行（address=）：应为 1–247 的整数"},
    {"a siren on 0000", "siren=COM4 address=3 coil=1 on=0000", "", "第 1 行（on=）：应为四位十六进制数"},
    {"a ups", " ups = ups@nas.local ", "ups ups nas.local 3493 ups@nas.local", ""},
    {"a ups's port", "ups=rack1@10.0.0.5:3494", "ups rack1 10.0.0.5 3494 rack1@10.0.0.5:3494", ""},
    {"a ups's own port written", "ups=ups@h:3493", "ups ups h 3493 ups@h", ""},
    {"a ups on IPv6", "ups=ups@[fe80::1]:3495", "ups ups fe80::1 3495 ups@[fe80::1]:3495", ""},
    {"a ups on IPv6, its own port", "ups=ups@[::1]", "ups ups ::1 3493 ups@[::1]", ""},
}; return rows; }

class TestWatchSettings : public QObject {
    Q_OBJECT
private slots:
    void file_data() { tableRows(fileRows()); }
    // A UPS named in words it cannot be reached by is refused, and says how to write it.
    void badUps_data()
    {
        QTest::addColumn<QString>("line");
        for (const char *bad : {"", "ups", "@h", "ups@", "ups@h:", "ups@h:0", "ups@h:65536", "ups@h:x", "my ups@h",
                                "ups@::1", "ups@[::1", "ups@[::1]x", "a@b@c"})
            QTest::newRow(bad) << QString("ups=") + bad;
    }
    void badUps()
    {
        QFETCH(QString, line);
        QString problem;
        QVERIFY(!parseWatchSettings(line.toUtf8(), &problem).ups);
        QVERIFY2(problem.contains("名称@主机"), qPrintable(problem));
    }
    void file()
    {
        const auto &r = tableRow(fileRows());
        QString problem;
        const WatchSettings s = parseWatchSettings(r.content, &problem);
        QStringList got;
        for (const WatchedLine &w : s.lines) {
            QStringList addresses;
            for (uint8_t a : w.addresses)
                addresses << QString::number(a);
            got << QStringLiteral("%1 %2 %3 %4 %5").arg(w.port).arg(w.com).arg(addresses.join(',')).arg(w.pollS)
                       .arg(w.baud ? QString::number(*w.baud) : QStringLiteral("-"));
        }
        if (s.recordsAt)
            got << QStringLiteral("at ") + s.recordsAt->toString(QStringLiteral("HH:mm"));
        if (const auto &i = s.siren)
            got << QStringLiteral("siren %1 %2 %3 %4 %5").arg(i->port).arg(i->com).arg(i->address).arg(i->coil).arg(i->onValue, 0, 16);
        if (const auto &u = s.ups)
            got << QStringLiteral("ups %1 %2 %3 %4").arg(u->ups, u->host).arg(u->port).arg(upsText(*u));
        QCOMPARE(got.join(QStringLiteral(" | ")), QString::fromUtf8(r.expected));
        const QString inside = QString::fromUtf8(r.problem);
        if (inside.isEmpty())
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        else
            QVERIFY2(problem.startsWith(QStringLiteral("监视设置文件 watch.set 有 %1 行无法使用，已略去（").arg(inside.count(u"第 ")))
                         && problem.contains(inside) && problem.endsWith(u"）"), qPrintable(problem));
    }
};

QTEST_GUILESS_MAIN(TestWatchSettings)
#include "test_watchsettings.moc"
