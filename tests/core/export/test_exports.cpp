// The received-data text read back into records, and the three exports made of them.
#include "core/export/exportformats.h"
#include "core/export/recordparser.h"
#include "core/link/convert.h"
#include "recordtext.h"
#include "tablerows.h"
#include <QTest>

using records::ParsedRecord;
using records::parseRecords;

// The received text: expected records as "position:values" or "position!" for an unreadable one
// (values in tenths).
const auto &parserRows() {
    const char *t = "18 04 27 03 21";
    static const struct { const char *name; QString text; int sensors; QStringList expected; } rows[] = {
        {"two complete, N=2", recordText(t, {0x00EB, 0x0005}) + recordText(t, {0x0000, 0xFFF6}), 2, {"1:235,5", "2:0,-10"}},
        {"sign rule: high byte above 48 is negative", recordText(t, {0x3039, 0x3100, 0xFF85, 0xFFFB}), 4,
         {"1:12345,-52992,-123,-5"}},
        {"value bytes 5B do not split", recordText(t, {0x5B12, 0x125B}) + recordText(t, {0x005B, 0x5B5B}), 2,
         {"1:-42222,4699", "2:91,-42149"}},
        {"short record at the end", recordText(t, {1, 2, 3, 4}) + recordText(t, {7, 8, 9}), 4, {"1:1,2,3,4", "2:7,8,9"}},
        {"short record in the middle", recordText(t, {1, 2, 3, 4}) + recordText(t, {7, 8}) + recordText(t, {5, 6, 0x5B00, 8}), 4,
         {"1:1,2,3,4", "2:7,8", "3:5,6,-42240,8"}},
        {"too short keeps its position", recordText(t, {1, 2}) + " 5B 18 04" + recordText(t, {3, 4}), 2, {"1:1,2", "2!", "3:3,4"}},
        {"0D0A inside a token", recordText(t, {1, 2}) + " 5B 18 04 27 0D0A 21 00 01 00 02" + recordText(t, {3, 4}), 2,
         {"1:1,2", "2!", "3:3,4"}},
        {"not hexadecimal", recordText(t, {1, 2}) + " 5B 18 04 27 03 21 00 XY 00 02" + recordText(t, {3, 4}), 2, {"1:1,2", "2!", "3:3,4"}},
        {"text before the first marker", " 00 11 22" + recordText(t, {1, 2}), 2, {"1:1,2"}},
        {"line breaks count as blanks", recordText(t, {1, 2}) + "\r\n" + recordText(t, {3, 4}), 2, {"1:1,2", "2:3,4"}},
        {"twenty values at most", recordText(t, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}), 22,
         {"1:1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20"}},
        {"one value a record, N=1", recordText(t, {1}) + recordText(t, {2}), 1, {"1:1", "2:2"}},
        {"one value where two are due", recordText(t, {1}), 2, {"1!"}},
    }; return rows; }

// One value through the text export, the CSV and the workbook: the same number and the same sign.
const auto &valueRows() { static const struct { int word; const char *text, *twoDecimals, *csv; double number; } rows[] = {
    {0x00EB, "23.5", "23.50", "23.5", 23.5}, {0x0005, "00.5", "00.50", "0.5", 0.5}, {0x0000, "00.0", "00.00", "0.0", 0},
    {0x0032, "05.0", "05.00", "5.0", 5}, {0x3039, "1234.5", "1234.50", "1234.5", 1234.5},
    {0xFFFB, "-00.5", "-00.50", "-0.5", -0.5}, {0xFFFD, "-00.3", "-00.30", "-0.3", -0.3},
    {0xFFF1, "-01.5", "-01.50", "-1.5", -1.5}, {0xFF85, "-12.3", "-12.30", "-12.3", -12.3},
    {0x3100, "-5299.2", "-5299.20", "-5299.2", -5299.2},
}; return rows; }

// RFC 4180: a field with a comma, a quote or a line break is quoted, its quotes doubled. Only a time
// that is no date keeps its text; the rest are digits. Named sensors head their column after its number.
const auto &csvRows() { static const struct { const char *time, *field; } rows[] = {
    {"26 11 30 08 05", "2026-11-30T08:05"}, {"26 1A 06 14 5", "2026-1A-06 14:05"},  // a date; no date, plain
    {"18,4 04 27 03 21", "\"2018,4-04-27 03:21\""}, {"1\"8 04 27 03 21", "\"201\"\"8-04-27 03:21\""},
    {"\"a,b\" 04 27 03 21", "\"20\"\"a,b\"\"-04-27 03:21\""},
}; return rows; }

class TestExports : public QObject {
    Q_OBJECT
private slots:
    void parser_data() { tableRows(parserRows()); }
    void parser();
    void valueInEveryFormat_data() { tableRows(valueRows(), [](const auto &r) { return r.text; }); }
    void valueInEveryFormat();
    void csvFile_data() { tableRows(csvRows(), [](const auto &r) { return r.time; }); }
    void csvFile();
    void textFileAndProblems();
    void workbookSheetKeepsPositions();
};

void TestExports::parser()
{
    const auto &r = tableRow(parserRows());
    QStringList got;
    for (const ParsedRecord &p : parseRecords(r.text, r.sensors)) {
        QStringList v;
        for (int x : p.tenths)
            v << QString::number(x);
        got << (p.readable ? QStringLiteral("%1:%2").arg(p.position).arg(v.join(u',')) : QStringLiteral("%1!").arg(p.position));
        QVERIFY(p.problem.isEmpty() == p.readable);
    }
    QCOMPARE(got, r.expected);
}

void TestExports::valueInEveryFormat()
{
    const auto &r = tableRow(valueRows());
    const auto recs = parseRecords(recordText("18 04 27 03 21", {r.word, 0x0001}), 2);
    QCOMPARE(convert::tenthsText(recs.value(0).tenths.value(0)), QString::fromLatin1(r.text));
    QCOMPARE(records::formatTenthsTwoDecimals(recs[0].tenths[0]), QString::fromLatin1(r.twoDecimals));
    QCOMPARE(exports::textFile(recs, 0), QStringLiteral("2018-04-27 03:21  %1 00.1 @1\r\n").arg(r.text).toLatin1());
    QCOMPARE(exports::csvFile(recs, 0, 2).split('\n').value(1), QStringLiteral("2018-04-27T03:21,%1,0.1\r").arg(r.csv).toLatin1());
    QVariant cell;
    const xls::Sheet sheet = exports::workbookSheet(recs, 0, 2);
    for (const xls::Cell &c : sheet.cells())
        if (c.row == 2 && c.column == 1 && std::holds_alternative<double>(c.value))
            cell = std::get<double>(c.value);
    QCOMPARE(cell, QVariant(r.number));
}

void TestExports::csvFile()
{
    const auto &r = tableRow(csvRows());
    const auto recs = parseRecords(recordText(r.time, {234, 0xFFF1}) + QStringLiteral(" 5B 00")
                                       + recordText("18 04 27 03 21", {5, 6}) + recordText("18 04 27 03 22", {7, 8}), 2);
    QCOMPARE(exports::csvFile(recs, 3, 3, {"东墙, 1 米", {}, "北\"门"}),  // record 2 unreadable, record 4 past the bound
             "time,\"ch1 东墙, 1 米\",ch2,\"ch3 北\"\"门\"\r\n" + QByteArray(r.field) + ",23.4,-1.5,\r\n2018-04-27T03:21,0.5,0.6,\r\n");
}

void TestExports::textFileAndProblems()
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
    QCOMPARE(exports::problems(recs, 5).size(), 1);
    QVERIFY(exports::problems(recs, 5)[0].contains(QStringLiteral("第 2 条")));
    QVERIFY(exports::problems(recs, 1).isEmpty());  // beyond the bound nothing is reported
    const auto time = parseRecords(recordText("26 1A 06 14 5", {1}), 1);
    QCOMPARE(time[0].timeText, QStringLiteral("2026-1A-06 14:05 "));  // a token that is no number is copied
    QVERIFY(!time[0].time());
}

void TestExports::workbookSheetKeepsPositions()
{
    const auto recs = parseRecords(recordText("18 04 27 03 21", {123, 0xFF85}) + QStringLiteral(" 5B 00")
                                       + recordText("18 04 27 03 22", {1, 2}), 2);
    QMap<QPair<int, int>, QString> cells;
    const xls::Sheet sheet = exports::workbookSheet(recs, 0, 2);
    for (const xls::Cell &c : sheet.cells())
        cells[{c.row, c.column}] = std::holds_alternative<QString>(c.value) ? std::get<QString>(c.value)
                                                                           : QString::number(std::get<double>(c.value));
    const QMap<QPair<int, int>, QString> expected{
        {{0, 0}, "传感器序列号"}, {{1, 0}, "日期"}, {{1, 1}, "1#传感器"}, {{1, 2}, "2#传感器"},
        {{2, 0}, "2018-04-27 03:21 "}, {{2, 1}, "12.3"}, {{2, 2}, "-12.3"},  // record 2 unreadable: row 3 stays empty
        {{4, 0}, "2018-04-27 03:22 "}, {{4, 1}, "0.1"}, {{4, 2}, "0.2"},
    };
    QCOMPARE(cells, expected);
}

QTEST_GUILESS_MAIN(TestExports)
#include "test_exports.moc"
