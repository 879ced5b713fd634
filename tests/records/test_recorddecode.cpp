#include "hexbytes.h"
#include "link/crc16.h"
#include "link/frames.h"
#include "records/downloadreport.h"
#include "records/recorddecode.h"
#include <QTest>

using records::DownloadOutcome;
using End = DownloadOutcome::End;

class TestRecordDecode : public QObject {
    Q_OBJECT
private slots:
    void recordRequests_data();
    void recordRequests();
    void doneData_data();
    void doneData();
    void numberRanges_data();
    void numberRanges();
    void timeLeft_data();
    void timeLeft();
    void downloadReports();
    void recordRule();
};

void TestRecordDecode::recordRequests_data()
{
    QTest::addColumn<qlonglong>("record");
    QTest::addColumn<int>("sensors");
    QTest::addColumn<int>("start");     // -1: refused
    QTest::addColumn<QString>("head");  // request bytes 0 … 5 for device 2

    QTest::newRow("N 20, record 1") << 1LL << 20 << 0 << "02 04 00 00 00 17";
    QTest::newRow("N 20, record 3") << 3LL << 20 << 46 << "02 04 00 2E 00 17";
    QTest::newRow("N 20, high byte") << 13LL << 20 << 276 << "02 04 01 14 00 17";
    QTest::newRow("N 20, last in memory") << 2849LL << 20 << 65504 << "02 04 FF E0 00 17";
    QTest::newRow("N 20, past 65535") << 2850LL << 20 << -1 << "";
    QTest::newRow("N 2, record 7") << 7LL << 2 << 30 << "02 04 00 1E 00 05";
    QTest::newRow("N 1, last in memory") << 16384LL << 1 << 65532 << "02 04 FF FC 00 04";
    QTest::newRow("N 1, past 65535") << 16385LL << 1 << -1 << "";
    QTest::newRow("N 122, record 2") << 2LL << 122 << 125 << "02 04 00 7D 00 7D";
    QTest::newRow("N 123 does not fit a read") << 1LL << 123 << -1 << "";
    QTest::newRow("N 0") << 1LL << 0 << -1 << "";
    QTest::newRow("record 0") << 0LL << 20 << -1 << "";
    QTest::newRow("negative record") << -1LL << 20 << -1 << "";
    QTest::newRow("record beyond 32 bits") << 5000000000LL << 20 << -1 << "";
}

void TestRecordDecode::recordRequests()
{
    QFETCH(qlonglong, record);
    QFETCH(int, sensors);
    QFETCH(int, start);
    QFETCH(QString, head);
    const auto s = records::recordStart(record, sensors);
    QCOMPARE(s ? int(*s) : -1, start);
    if (!s)
        return;
    const QByteArray request = modbus::readInput(2, *s, uint8_t(records::registersPerRecord(sensors)));
    QCOMPARE(request.left(6), hx(head.toLatin1().constData()));
    QVERIFY(crcMatches(request));
    // The reply the read asks for: address, function, byte count 2N + 6, the record, CRC.
    QCOMPARE(modbus::expectedReplyLength(request), 2 * sensors + 11);
}

void TestRecordDecode::doneData_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("sensors");
    QTest::addColumn<QString>("line");

    const QString zeros16 = QString(QStringLiteral(" 00")).repeated(16);
    const QString zeroValues8 = QString(QStringLiteral("00.00 ")).repeated(8);
    const QString head = QStringLiteral(" 5B 18 04 27 03 21");

    QTest::newRow("empty") << QString() << 20 << QString();
    QTest::newRow("-9999 blanked, further values")
        << head + " 09 29 D8 F1" + zeros16 << 2 << "18-04-27 03:21  23.45 00.00 " + zeroValues8 + "\r\n";
    QTest::newRow("a record as read: time and N values")
        << head + " 09 29 D8 F1" << 2 << QStringLiteral("18-04-27 03:21  23.45 00.00 \r\n");
    QTest::newRow("-8888 blanked among the sensors")
        << head + " DD 48 00 01" << 2 << QStringLiteral("18-04-27 03:21  00.00 00.01 \r\n");
    QTest::newRow("-8888 is a value among the further ones")
        << head + " 00 00 00 00 DD 48 D8 F1" + QString(QStringLiteral(" 00")).repeated(12) << 2
        << "18-04-27 03:21  00.00 00.00 566.48 00.00 " + QString(QStringLiteral("00.00 ")).repeated(6) + "\r\n";
    QTest::newRow("largest and smallest words")
        << head + " FF FF 00 05" << 2 << QStringLiteral("18-04-27 03:21  655.35 00.05 \r\n");
    QTest::newRow("no sign: 8000 is 327.68")
        << head + " 80 00 FF F6" << 2 << QStringLiteral("18-04-27 03:21  327.68 655.26 \r\n");
    QTest::newRow("a value byte 5B") << head + " 5B 5B" << 1 << QStringLiteral("18-04-27 03:21  233.87 \r\n");
    QTest::newRow("time tokens copied as they stand")
        << QStringLiteral(" 5B 99 12 31 23 59 00 64") << 1 << QStringLiteral("99-12-31 23:59  01.00 \r\n");
    QTest::newRow("header only, no sensors") << head << 0 << QStringLiteral("18-04-27 03:21  \r\n");
    QTest::newRow("between N and N + 8 values: the sensors only")
        << head + " 09 29 D8 F1" + QString(QStringLiteral(" 00")).repeated(15) << 2
        << QStringLiteral("18-04-27 03:21  23.45 00.00 \r\n");
    QTest::newRow("20 sensors: a whole record")
        << head + QString(QStringLiteral(" 00 EB")).repeated(20) << 20
        << "18-04-27 03:21  " + QString(QStringLiteral("02.35 ")).repeated(20) + "\r\n";
    QTest::newRow("token without hex digits is 0, leading digits count")
        << head + " G1 1G" << 1 << QStringLiteral("18-04-27 03:21  00.01 \r\n");
    QTest::newRow("lower-case digits") << head + " 0a ff" << 1 << QStringLiteral("18-04-27 03:21  28.15 \r\n");
}

void TestRecordDecode::doneData()
{
    QFETCH(QString, record);
    QFETCH(int, sensors);
    QFETCH(QString, line);
    QCOMPARE(DoneData(record, sensors), line);
}

void TestRecordDecode::numberRanges_data()
{
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QList<int>{} << QString();
    QTest::newRow("one") << QList<int>{5} << QStringLiteral("5");
    QTest::newRow("two in a row stay apart") << QList<int>{5, 6} << QStringLiteral("5、6");
    QTest::newRow("three in a row") << QList<int>{5, 6, 7} << QStringLiteral("5-7");
    QTest::newRow("mixed, unsorted, repeated") << QList<int>{40, 12, 5, 13, 9, 14, 15, 5}
                                               << QStringLiteral("5、9、12-15、40");
    QTest::newRow("a whole download") << [] { QList<int> l; for (int i = 1; i <= 1000; ++i) l << i; return l; }()
                                      << QStringLiteral("1-1000");
}

void TestRecordDecode::numberRanges()
{
    QFETCH(QList<int>, numbers);
    QFETCH(QString, text);
    QCOMPARE(records::numberRanges(numbers), text);
}

void TestRecordDecode::timeLeft_data()
{
    QTest::addColumn<qlonglong>("elapsedMs");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing done yet") << 0LL << 0 << 100 << QStringLiteral("剩余时间估算中");
    QTest::newRow("seconds, rounded up") << 1000LL << 1 << 11 << QStringLiteral("剩余约 10 秒");
    QTest::newRow("minutes") << 30000LL << 10 << 100 << QStringLiteral("剩余约 4 分 30 秒");
    QTest::newRow("hours") << 3600000LL << 1 << 3 << QStringLiteral("剩余约 2 小时 00 分");
    QTest::newRow("done") << 5000LL << 100 << 100 << QStringLiteral("剩余约 0 秒");
}

void TestRecordDecode::timeLeft()
{
    QFETCH(qlonglong, elapsedMs);
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(QString, text);
    QCOMPARE(records::timeLeftText(elapsedMs, done, total), text);
}

// What the user is told: the message, or the status line alone when there is nothing more to tell.
void TestRecordDecode::downloadReports()
{
    const auto range = [](int a, int b) { QList<int> l; for (int i = a; i <= b; ++i) l << i; return l; };
    const struct Row {
        DownloadOutcome d;
        QList<int> missing;
        bool message;
        const char *says;  // in the message when there is one, else in the status line
    } rows[] = {
        {{.end = End::Complete, .total = 10, .read = 10}, {}, false, "已读取全部 10 条记录"},
        {{.end = End::Complete, .total = 10, .read = 8, .unread = {3, 7}}, {3, 7}, true, "共 10 条记录，已读取 8 条。有 2 条记录未能读取：第 3、7 条"},
        {{.end = End::Complete, .total = 10, .read = 8, .notRecords = {9, 10}}, {}, true, "有 2 个位置不是记录"},
        {{.end = End::Stopped, .total = 100, .read = 37, .notTriedFrom = 38}, range(38, 100), false, "已停止，已读取 37 条，第 38-100 条未读取"},
        {{.end = End::Stopped, .total = 100, .read = 36, .unread = {5}, .notTriedFrom = 38}, QList<int>{5} + range(38, 100), true,
         "读取已停止，已读取 36 条。有 1 条记录未能读取：第 5 条。第 38-100 条未读取"},
        {{.end = End::PortLost, .total = 50, .read = 19, .unread = {20}, .notTriedFrom = 21}, range(20, 50), true, "串口已断开"},
        {{.end = End::DeviceSilent, .first = 5, .total = 30, .read = 0, .unread = range(5, 14), .notTriedFrom = 15}, range(5, 34), true,
         "设备连续 10 条记录没有有效应答"},
        {{.end = End::Closing, .total = 30, .read = 3, .notTriedFrom = 4}, range(4, 30), false, "窗口关闭"},
    };
    for (const Row &r : rows) {
        QCOMPARE(records::missingRecords(r.d), r.missing);
        const QString m = records::downloadMessage(r.d);
        QCOMPARE(!m.isEmpty(), r.message);
        const QString shown = r.message ? m : records::downloadStatus(r.d);
        QVERIFY2(shown.contains(QString::fromUtf8(r.says)), qPrintable(shown));
    }
}

void TestRecordDecode::recordRule()
{
    // Record data of 2 sensors (10 bytes); whether it holds a record.
    const struct { const char *hex; bool record; } rows[] = {
        {"5B 26 11 30 08 01 00 EB FF 9C", true},
        {"5B 99 12 31 23 59 00 00 00 00", true},    // the last minute of a century
        {"FF FF FF FF FF FF FF FF FF FF", false},   // erased memory
        {"5A 26 11 30 08 01 00 EB FF 9C", false},   // no marker
        {"5B 2A 11 30 08 01 00 EB FF 9C", false},   // a digit above 9
        {"5B 26 00 30 08 01 00 EB FF 9C", false},   // month 0
        {"5B 26 13 30 08 01 00 EB FF 9C", false},   // month 13
        {"5B 26 11 00 08 01 00 EB FF 9C", false},   // day 0
        {"5B 26 11 32 08 01 00 EB FF 9C", false},   // day 32
        {"5B 26 11 30 24 01 00 EB FF 9C", false},   // hour 24
        {"5B 26 11 30 08 60 00 EB FF 9C", false},   // minute 60
        {"5B 26 11 30 08 01 00 EB FF", false},      // a byte short
        {"5B 26 11 30 08 01 00 EB FF 9C 00", false},  // a byte over
    };
    for (const auto &r : rows)
        QVERIFY2(records::isRecordData(QByteArray::fromHex(QByteArray(r.hex).replace(' ', "")), 2) == r.record, r.hex);
    const QByteArray a = QByteArray::fromHex("5B26113008590000"), b = QByteArray::fromHex("5B26113009000000");
    QVERIFY(records::recordTimeBefore(a, b) && !records::recordTimeBefore(b, a) && !records::recordTimeBefore(a, a));
}

QTEST_APPLESS_MAIN(TestRecordDecode)
#include "test_recorddecode.moc"
