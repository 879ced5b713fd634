// Records as values: a received-data text read back into records, a record's values, and the three
// exports made of records.
#include "core/archive/recordstore.h"
#include "core/export/exportformats.h"
#include "core/link/convert.h"
#include "core/records/recordtext.h"
#include "core/view/recordvalues.h"
#include "recordtext.h"
#include "tablerows.h"
#include <QTest>

using records::Record;

namespace {
QList<Record> parseRecords(const QString &text, int sensors) { return records::readRecordText(text, sensors).records; }
Record recordOf(const char *time, std::initializer_list<int> words) { return parseRecords(recordText(time, words), int(words.size())).value(0); }
} // namespace

// The received text: expected records as "position:values" or "position!" for an unreadable one
// (values in tenths).
const auto &parserRows() {
    const char *t = "18 04 27 03 21";
    static const struct { const char *name; QString text; int sensors; QStringList expected; } rows[] = {
        {"two complete, N=2", recordText(t, {0x00EB, 0x0005}) + recordText(t, {0x0000, 0xFFF6}), 2, {"1:235,5", "2:0,-10"}},
        {"sign rule: high byte above 48 is negative", recordText(t, {0x3039, 0x3100, 0xFF85, 0xFFFB}), 4, {"1:12345,-52992,-123,-5"}},
        {"value bytes 5B do not split", recordText(t, {0x5B12, 0x125B}) + recordText(t, {0x005B, 0x5B5B}), 2, {"1:-42222,4699", "2:91,-42149"}},
        {"short record at the end", recordText(t, {1, 2, 3, 4}) + recordText(t, {7, 8, 9}), 4, {"1:1,2,3,4", "2:7,8,9"}},
        {"short record in the middle", recordText(t, {1, 2, 3, 4}) + recordText(t, {7, 8}) + recordText(t, {5, 6, 0x5B00, 8}), 4,
         {"1:1,2,3,4", "2:7,8", "3:5,6,-42240,8"}},
        {"too short keeps its position", recordText(t, {1, 2}) + " 5B 18 04" + recordText(t, {3, 4}), 2, {"1:1,2", "2!", "3:3,4"}},
        {"0D0A inside a token", recordText(t, {1, 2}) + " 5B 18 04 27 0D0A 21 00 01 00 02" + recordText(t, {3, 4}), 2, {"1:1,2", "2!", "3:3,4"}},
        {"a CR inside a token is dropped", recordText(t, {1, 2}) + " 5B 18 04 27 03 21 00 0D01 00 02", 2, {"1:1,2", "2:1,2"}},
        {"a time that is no hex", " 5B 18 04 2X 03 21 00 01 00 02" + recordText(t, {3, 4}), 2, {"1!", "2:3,4"}},
        {"not hexadecimal", recordText(t, {1, 2}) + " 5B 18 04 27 03 21 00 XY 00 02" + recordText(t, {3, 4}), 2, {"1:1,2", "2!", "3:3,4"}},
        {"text before the first marker", " 00 11 22" + recordText(t, {1, 2}), 2, {"1:1,2"}},
        {"line breaks count as blanks", recordText(t, {1, 2}) + "\r\n" + recordText(t, {3, 4}), 2, {"1:1,2", "2:3,4"}},
        {"twenty values at most", recordText(t, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}), 22,
         {"1:1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20"}},
        {"one value a record, N=1", recordText(t, {1}) + recordText(t, {2}), 1, {"1:1", "2:2"}},
        {"one value where two are due", recordText(t, {1}), 2, {"1!"}},
    }; return rows; }

// One value word through the viewer, the text export, the CSV and the workbook: the same number and
// the same sign. The files write the words of no reading as numbers; the viewer shows nothing.
const auto &valueRows() { static const struct { int word; bool reading; const char *text, *twoDecimals, *csv; double number; } rows[] = {
    {0x00EB, true, "23.5", "23.50", "23.5", 23.5}, {0x0005, true, "00.5", "00.50", "0.5", 0.5},
    {0x0000, true, "00.0", "00.00", "0.0", 0}, {0x3039, true, "1234.5", "1234.50", "1234.5", 1234.5},
    {0x30FF, true, "1254.3", "1254.30", "1254.3", 1254.3}, {0x3100, true, "-5299.2", "-5299.20", "-5299.2", -5299.2},
    {0xFFFB, true, "-00.5", "-00.50", "-0.5", -0.5}, {0xFFF1, true, "-01.5", "-01.50", "-1.5", -1.5},
    {0xFF85, true, "-12.3", "-12.30", "-12.3", -12.3}, {0x8000, true, "-3276.8", "-3276.80", "-3276.8", -3276.8},
    {0xD8F2, true, "-999.8", "-999.80", "-999.8", -999.8},
    {0xD8F1, false, "-999.9", "-999.90", "-999.9", -999.9}, {0xDD48, false, "-888.8", "-888.80", "-888.8", -888.8},
}; return rows; }

// A time that is a date is written in ISO 8601; one that is none keeps its digits.
const auto &csvRows() { static const struct { const char *time, *field; } rows[] = {
    {"26 11 30 08 05", "2026-11-30T08:05"}, {"26 1A 06 14 5", "2026-1A-06 14:05"}, {"18 04 31 03 21", "2018-04-31 03:21"},
}; return rows; }

// A field of an audit entry as the trail's CSV writes it.
const auto &auditFieldRows() { static const struct { const char *name, *value, *field; } rows[] = {
    {"plain", "recorder-name", "recorder-name"}, {"a comma", "东墙, 2 号", "\"东墙, 2 号\""},
    {"a quote", "say \"ok\"", "\"say \"\"ok\"\"\""}, {"a line break", "30\r\n60", "\"30\r\n60\""}, {"empty", "", ""},
}; return rows; }

class TestExports : public QObject {
    Q_OBJECT
private slots:
    void parser_data() { tableRows(parserRows()); }
    void parser()
    {
        const auto &r = tableRow(parserRows());
        QStringList got;
        const records::RecordText text = records::readRecordText(r.text, r.sensors);
        QStringList unreadable;
        for (const auto &[place, why] : text.unreadable)
            unreadable << QStringLiteral("%1!").arg(place);
        for (const Record &p : text.records) {
            QStringList v;
            for (int i = 0; i < std::min(p.wordCount(), 20); ++i)
                v << QString::number(p.tenths(i));
            got << (p.hasTime() ? QStringLiteral("%1:%2").arg(p.position).arg(v.join(u',')) : QStringLiteral("%1!").arg(p.position));
            QVERIFY(unreadable.contains(QStringLiteral("%1!").arg(p.position)) != p.hasTime());
        }
        QCOMPARE(got, r.expected);
    }

    void valueInEveryFormat_data() { tableRows(valueRows(), [](const auto &r) { return r.text; }); }
    void valueInEveryFormat()
    {
        const auto &r = tableRow(valueRows());
        const QList<Record> recs{recordOf("18 04 27 03 21", {r.word, 0x0001})};
        const auto viewed = view::recordValues(recs[0].data, 2);
        QVERIFY(viewed && viewed->tenths.size() == 2);
        QCOMPARE(view::valueText(viewed->tenths[0]), r.reading ? QString::fromLatin1(r.text) : QString());
        QCOMPARE(exports::progressLine(recs[0], true), QStringLiteral("2018-04-27 03:21  %1 00.10 ").arg(r.twoDecimals));
        QCOMPARE(exports::textFile(recs, 0), QStringLiteral("2018-04-27 03:21  %1 00.1 @1\r\n").arg(r.text).toLatin1());
        QCOMPARE(exports::csvFile(recs, 0, 2).split('\n').value(1), QStringLiteral("2018-04-27T03:21,%1,0.1\r").arg(r.csv).toLatin1());
        QVariant cell;
        const xls::Sheet sheet = exports::workbookSheet(recs, 0, 2);
        for (const xls::Cell &c : sheet.cells())
            if (c.row == 2 && c.column == 1 && std::holds_alternative<double>(c.value))
                cell = std::get<double>(c.value);
        QCOMPARE(cell, QVariant(r.number));
    }

    void csvFile_data() { tableRows(csvRows(), [](const auto &r) { return r.time; }); }
    void csvFile()
    {
        const auto &r = tableRow(csvRows());
        const auto recs = parseRecords(recordText(r.time, {234, 0xFFF1}) + QStringLiteral(" 5B 00")
                                           + recordText("18 04 27 03 21", {5, 6}) + recordText("18 04 27 03 22", {7, 8}), 2);
        QCOMPARE(exports::lastWritten(recs, 3), 3);
        QCOMPARE(exports::csvFile(recs, 3, 3, {"东墙, 1 米", {}, "北\"门"}),  // record 2 unreadable, record 4 past the bound
                 "\xEF\xBB\xBFtime,\"ch1 东墙, 1 米\",ch2,\"ch3 北\"\"门\"\r\n" + QByteArray(r.field) + ",23.4,-1.5,\r\n2018-04-27T03:21,0.5,0.6,\r\n");
    }

    void textFileAndProblems()
    {
        // 8 records, 5 reported valid; record 2 unreadable.
        QString text = recordText("18 04 27 03 01", {1, 2}) + QStringLiteral(" 5B 18 04");
        for (int i = 3; i <= 8; ++i)
            text += recordText("18 04 27 03 21", {234, 0xFFF1});
        const auto recs = parseRecords(text, 2);
        QCOMPARE(recs.size(), 8);
        QCOMPARE(exports::textFile(recs, 5), QByteArray("2018-04-27 03:01  00.1 00.2 @1\r\n"
                                                        "2018-04-27 03:21  23.4 -01.5 @3\r\n"
                                                        "2018-04-27 03:21  23.4 -01.5 @4\r\n"
                                                        "2018-04-27 03:21  23.4 -01.5 @5\r\n"));
        const records::RecordText read = records::readRecordText(text, 2);
        QCOMPARE(records::unreadableMessages(read, 5).size(), 1);
        QVERIFY(records::unreadableMessages(read, 5)[0].contains(QStringLiteral("第 2 条")));
        QVERIFY(records::unreadableMessages(read, 1).isEmpty());  // beyond the bound nothing is reported
        // What the download wrote reads back as the records it wrote.
        const QList<Record> downloaded{{1, QByteArray::fromHex("5B18042703015B5B0001")}, {2, QByteArray::fromHex("5B1804270302005B5B00")}};
        QCOMPARE(parseRecords(records::recordsText(downloaded), 2), downloaded);
        const Record time = recordOf("26 1A 06 14 5", {1});
        QCOMPARE(time.timeText(), QStringLiteral("2026-1A-06 14:05"));  // a byte that is no BCD keeps its digits
        QVERIFY(!time.time());
    }

    void workbookSheetKeepsPositions()
    {
        const auto recs = parseRecords(recordText("18 04 27 03 21", {123, 0xFF85}) + QStringLiteral(" 5B 00") + recordText("18 04 31 03 22", {1, 2}), 2);
        QMap<QPair<int, int>, QVariant> cells;
        const xls::Sheet sheet = exports::workbookSheet(recs, 0, 2);
        for (const xls::Cell &c : sheet.cells())
            cells[{c.row, c.column}] = QVariant::fromStdVariant(c.value);
        const QMap<QPair<int, int>, QVariant> expected{
            {{0, 0}, "传感器序列号"}, {{1, 0}, "日期"}, {{1, 1}, "1#传感器"}, {{1, 2}, "2#传感器"},
            {{2, 0}, QDateTime(QDate(2018, 4, 27), QTime(3, 21))}, {{2, 1}, 12.3}, {{2, 2}, -12.3},  // record 2 unreadable: row 3 stays empty
            {{4, 0}, "2018-04-31 03:22"}, {{4, 1}, 0.1}, {{4, 2}, 0.2},  // 31 April: the time as it is
        };
        QCOMPARE(cells, expected);
        QCOMPARE(sheet.name(), QStringLiteral("记录"));
    }

    // The byte-order mark and the header, then the entry: its time local to the second, Chinese as UTF-8.
    void auditCsv_data() { tableRows(auditFieldRows()); }
    void auditCsv()
    {
        const auto &r = tableRow(auditFieldRows());
        qputenv("TZ", "Asia/Shanghai");
        const archive::AuditRow row{7, QDateTime(QDate(2026, 12, 6), QTime(6, 30, 45, 678), Qt::UTC), "王工", "window", "冷库",
                                    "device-write", r.value, "60"};
        QCOMPARE(exports::auditCsv({row}), "\xEF\xBB\xBF" + QStringLiteral("时间,用户,程序,记录仪,类别,原值,新值\r\n"
                                           "2026-12-06T14:30:45,王工,window,冷库,device-write,%1,60\r\n").arg(QString::fromUtf8(r.field)).toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestExports)
#include "test_exports.moc"
