// A record's place in memory, its decoded line, whether bytes hold a record, and the download report.
#include "hexbytes.h"
#include "tablerows.h"
#include "core/link/frames.h"
#include "core/records/downloadreport.h"
#include "core/records/memoryfill.h"
#include "core/records/recorddecode.h"
#include <QTest>

using records::DownloadOutcome;
using End = DownloadOutcome::End;
using Mode = DownloadOutcome::Mode;

namespace {
QList<int> range(int a, int b)
{
    QList<int> l;
    for (int i = a; i <= b; ++i)
        l << i;
    return l;
}

const auto &requestRows() { static const struct { long long record; int sensors, start; const char *head; } rows[] = {  // start -1: refused
    {1, 20, 0, "02 04 00 00 00 17"}, {3, 20, 46, "02 04 00 2E 00 17"}, {13, 20, 276, "02 04 01 14 00 17"},
    {2849, 20, 65504, "02 04 FF E0 00 17"},  // the last in memory
    {2850, 20, -1, ""}, {7, 2, 30, "02 04 00 1E 00 05"}, {16384, 1, 65532, "02 04 FF FC 00 04"}, {16385, 1, -1, ""},
    {2, 122, 125, "02 04 00 7D 00 7D"}, {1, 123, -1, ""},  // N 123 does not fit a read
    {1, 0, -1, ""}, {0, 20, -1, ""}, {-1, 20, -1, ""}, {5000000000LL, 20, -1, ""},
}; return rows; }

const auto &doneRows() {
    const QString head = QStringLiteral(" 5B 18 04 27 03 21"), time = QStringLiteral("18-04-27 03:21  ");
    const auto zeros = [](int n) { return QStringLiteral(" 00").repeated(n); };
    static const struct { QString record; int sensors; QString line; } rows[] = {
        {QString(), 20, QString()},
        {head + " 09 29 D8 F1", 2, time + "23.45 00.00 \r\n"},                                   // -9999 blanked
        {head + " 09 29 D8 F1" + zeros(16), 2, time + "23.45 00.00 " + QStringLiteral("00.00 ").repeated(8) + "\r\n"},
        {head + " 09 29 D8 F1" + zeros(15), 2, time + "23.45 00.00 \r\n"},  // under N + 8 values: the sensors only
        {head + " DD 48 00 01", 2, time + "00.00 00.01 \r\n"},                                   // -8888 blanked
        {head + " 00 00 00 00 DD 48 D8 F1" + zeros(12), 2,                                          // but not among the further values
         time + "00.00 00.00 566.48 00.00 " + QStringLiteral("00.00 ").repeated(6) + "\r\n"},
        {head + " 80 00 FF F6", 2, time + "327.68 655.26 \r\n"},                                 // no sign
        {head + " 5B 5B", 1, time + "233.87 \r\n"},
        {QStringLiteral(" 5B 99 12 31 23 59 00 64"), 1, QStringLiteral("99-12-31 23:59  01.00 \r\n")},
        {head, 0, time + "\r\n"},
        {head + " 0a ff", 1, time + "28.15 \r\n"},
    }; return rows; }

// Record data of 2 sensors (10 bytes); whether it holds a record.
const auto &ruleRows() { static const struct { const char *hex; bool record; } rows[] = {
    {"5B 26 11 30 08 01 00 EB FF 9C", true},  {"5B 99 12 31 23 59 00 00 00 00", true},
    {"FF FF FF FF FF FF FF FF FF FF", false},  // erased memory
    {"5A 26 11 30 08 01 00 EB FF 9C", false}, {"5B 2A 11 30 08 01 00 EB FF 9C", false},  // no marker; a digit above 9
    {"5B 26 13 30 08 01 00 EB FF 9C", false}, {"5B 26 11 00 08 01 00 EB FF 9C", false},  // month 13; day 0
    {"5B 26 11 30 24 01 00 EB FF 9C", false}, {"5B 26 11 30 08 60 00 EB FF 9C", false},  // hour 24; minute 60
    {"5B 26 11 30 08 01 00 EB FF", false},    {"5B 26 11 30 08 01 00 EB FF 9C 00", false},  // a byte short; over
}; return rows; }

const auto &reportRows() { static const struct Row {
    const char *name;
    DownloadOutcome d;
    QList<int> missing;
    const char *message;  // in the message ("": no message)
    const char *status;   // the whole status line
    bool receiveArea = true;  // the window's message (false: the collector's and the watcher's)
} rows[] = {
    {"every record", {.end = End::Complete, .total = 12, .read = 12}, {}, "", "读取所有记录：已读取全部 12 条记录（逐条读取）"},
    {"two empty positions", {.end = End::Complete, .mode = Mode::Block, .total = 10, .read = 8, .notRecords = {9, 10}}, {},
     "共 10 条记录，已读取 8 条。有 2 个位置不是记录（存储区为空或数据无效），未作为记录保存：第 9、10 条。",
     "读取所有记录：已读取 8 条，2 条未读取或不是记录（成块读取）"},
    {"one unread and one empty", {.end = End::Complete, .first = 3, .total = 6, .read = 4, .unread = {5}, .notRecords = {8}}, {5},
     "共 6 条记录，已读取 4 条。有 1 条记录未能读取：第 5 条。有 1 个位置不是记录", "读取所有记录：已读取 4 条，2 条未读取或不是记录（逐条读取）"},
    {"stopped", {.end = End::Stopped, .total = 100, .read = 37, .notTriedFrom = 38}, range(38, 100), "", "读取所有记录：已停止，已读取 37 条，第 38-100 条未读取（逐条读取）"},
    {"stopped before the first", {.end = End::Stopped, .total = 3, .notTriedFrom = 1}, range(1, 3), "", "读取所有记录：已停止，已读取 0 条，第 1-3 条未读取（逐条读取）"},
    {"stopped after an empty position", {.end = End::Stopped, .total = 20, .read = 9, .notRecords = {4}, .notTriedFrom = 11}, range(11, 20),
     "读取已停止，已读取 9 条。第 11-20 条未读取。有 1 个位置不是记录", "读取所有记录：已停止，已读取 9 条，第 11-20 条未读取（逐条读取）"},
    {"port lost", {.end = End::PortLost, .total = 20, .read = 6, .notTriedFrom = 7}, range(7, 20),
     "读取记录时串口已断开，读取已中止。已读取的 6 条记录保留在接收区。第 7-20 条未读取。", "读取所有记录：串口已断开，已读取 6 条（逐条读取）"},
    {"port lost, no receive area", {.end = End::PortLost, .total = 20, .read = 6, .notTriedFrom = 7}, range(7, 20),
     "读取记录时串口已断开，读取已中止。已读取 6 条。第 7-20 条未读取。", "读取所有记录：串口已断开，已读取 6 条（逐条读取）", false},
    {"connection lost", {.end = End::PortLost, .total = 20, .read = 6, .notTriedFrom = 7, .network = true}, range(7, 20),
     "读取记录时连接已断开，读取已中止。已读取的 6 条记录保留在接收区。第 7-20 条未读取。", "读取所有记录：连接已断开，已读取 6 条（逐条读取）"},
    {"connection lost, no receive area", {.end = End::PortLost, .total = 20, .read = 6, .notTriedFrom = 7, .network = true}, range(7, 20),
     "读取记录时连接已断开，读取已中止。已读取 6 条。第 7-20 条未读取。", "读取所有记录：连接已断开，已读取 6 条（逐条读取）", false},
    {"device silent", {.end = End::DeviceSilent, .first = 5, .total = 30, .read = 0, .unread = range(5, 14), .notTriedFrom = 15}, range(5, 34),
     "设备连续 10 条记录没有有效应答，读取已中止。已读取 0 条。有 10 条记录未能读取：第 5-14 条。第 15-34 条未读取。",
     "读取所有记录：设备无应答，已读取 0 条（逐条读取）"},
    {"block reads refused", {.end = End::Complete, .mode = Mode::BlockRefused, .refusal = "异常 02", .total = 2, .read = 2}, {}, "",
     "读取所有记录：已读取全部 2 条记录（记录仪不支持成块读取：异常 02，已改为逐条读取）"},
    {"window closing", {.end = End::Closing, .total = 9, .read = 3, .notTriedFrom = 4}, range(4, 9), "", "读取所有记录：窗口关闭，读取已中止"},
}; return rows; }

// capacity 65536 / (N + 3); the warning from 90 %, exactly where the shown percent reaches 90
const auto &fillRows() { static const struct { long long count; int sensors; const char *text; bool warns; } rows[] = {
    {2850, 20, "已用 2850/2849 条（100%）", true},   // more than the memory holds: the sensor count is off
    {3275, 15, "已用 3275/3640 条（89%）", false}, {3276, 15, "已用 3276/3640 条（90%）", true},  // exactly 90 %
    {10, 0, "", false}, {10, 123, "", false}, {-1, 20, "", false}, {65536, 20, "", false},
}; return rows; }
} // namespace

class TestRecordDecode : public QObject {
    Q_OBJECT
private slots:
    void recordRequests_data() { tableRows(requestRows(), [](const auto &r) { return QStringLiteral("record %1 at N=%2").arg(r.record).arg(r.sensors); }); }
    void recordRequests()
    {
        const auto &r = tableRow(requestRows());
        const auto s = records::recordStart(r.record, r.sensors);
        QCOMPARE(s ? int(*s) : -1, r.start);
        if (!s)
            return;
        const QByteArray request = modbus::readInput(2, *s, uint8_t(records::registersPerRecord(r.sensors)));
        QCOMPARE(request.left(6), hx(r.head));
        QCOMPARE(modbus::expectedReplyLength(request), 2 * r.sensors + 11);  // byte count 2N + 6
    }

    void decodedLine_data() { tableRows(doneRows(), [](const auto &r) { return QStringLiteral("N=%1:%2").arg(r.sensors).arg(r.record); }); }
    void decodedLine()
    {
        const auto &r = tableRow(doneRows());
        QCOMPARE(records::decodedLine(records::Record{1, QByteArray::fromHex(r.record.toLatin1())}, r.sensors), r.line);
    }

    void recordRule_data() { tableRows(ruleRows(), [](const auto &r) { return r.hex; }); }
    void recordRule()
    {
        const auto &r = tableRow(ruleRows());
        QCOMPARE(records::isRecordData(hx(r.hex), 2), r.record);
    }

    void orderRangesAndTimeLeft()
    {
        const QByteArray a = hx("5B 26 11 30 08 59 00 00"), b = hx("5B 26 11 30 09 00 00 00");
        QVERIFY(records::recordTimeBefore(a, b) && !records::recordTimeBefore(b, a) && !records::recordTimeBefore(a, a));
        QCOMPARE(records::numberRanges({40, 12, 5, 13, 9, 14, 15, 5, 6}), QStringLiteral("5、6、9、12-15、40"));
        QCOMPARE(records::numberRanges(range(1, 1000)), QStringLiteral("1-1000"));
        QCOMPARE(records::timeLeftText(0, 0, 100), QStringLiteral("剩余时间估算中"));
        QCOMPARE(records::timeLeftText(30000, 10, 100), QStringLiteral("剩余约 4 分 30 秒"));
        QCOMPARE(records::timeLeftText(3600000, 1, 3), QStringLiteral("剩余约 2 小时 00 分"));
    }

    // What the user is told: the message, or the status line alone when there is nothing more to tell.
    void downloadReports_data() { tableRows(reportRows()); }
    void downloadReports()
    {
        const auto &r = tableRow(reportRows());
        QCOMPARE(r.d.unread + (r.d.notTriedFrom ? range(r.d.notTriedFrom, r.d.last()) : QList<int>()), r.missing);
        const QString m = records::downloadMessage(r.d, r.receiveArea);
        QCOMPARE(m.isEmpty(), !*r.message);
        const QString message = QString::fromUtf8(r.message);
        QCOMPARE(m.left(message.size()), message);
        QCOMPARE(records::downloadStatus(r.d), QString::fromUtf8(r.status));
    }

    void memoryFill_data() { tableRows(fillRows(), [](const auto &r) { return QStringLiteral("%1 at N=%2").arg(r.count).arg(r.sensors); }); }
    void memoryFill()
    {
        const auto &r = tableRow(fillRows());
        const auto fill = records::memoryFill(r.count, r.sensors);
        QCOMPARE(fill ? records::fillText(*fill) : QString(), QString::fromUtf8(r.text));
        QCOMPARE(fill && !records::fillWarning(*fill).isEmpty(), r.warns);
        // More than the memory holds: the sensor count is off, and the warning says so.
        QVERIFY(!fill || !fill->overCapacity() || records::fillWarning(*fill).contains(QStringLiteral("传感器总数")));
    }
};

QTEST_APPLESS_MAIN(TestRecordDecode)

#include "test_recorddecode.moc"
