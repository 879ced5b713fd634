#include "core/export/exportformats.h"
#include "core/export/recordparser.h"
#include "core/link/convert.h"
#include "recordtext.h"
#include <QTest>

using records::ParsedRecord;
using records::parseRecords;

class TestExports : public QObject {
    Q_OBJECT
private slots:
    void formatting_data();
    void formatting();
    void recordBound_data();
    void recordBound();
    void parser_data();
    void parser();
    void timeText();
    void textFileLines();
    void csvFile();
    void workbookSheetKeepsPositions();
};

void TestExports::formatting_data()
{
    QTest::addColumn<int>("tenths");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("twoDecimals");
    QTest::newRow("235") << 235 << "23.5" << "23.50";
    QTest::newRow("5") << 5 << "00.5" << "00.50";
    QTest::newRow("0") << 0 << "00.0" << "00.00";
    QTest::newRow("50") << 50 << "05.0" << "05.00";
    QTest::newRow("1234") << 1234 << "123.4" << "123.40";
    QTest::newRow("12345") << 12345 << "1234.5" << "1234.50";
    QTest::newRow("-10") << -10 << "-01.0" << "-01.00";
    QTest::newRow("-15") << -15 << "-01.5" << "-01.50";
    QTest::newRow("-123") << -123 << "-12.3" << "-12.30";
    QTest::newRow("-3") << -3 << "-00.3" << "-00.30";
}

void TestExports::formatting()
{
    QFETCH(int, tenths);
    QFETCH(QString, text);
    QFETCH(QString, twoDecimals);
    QCOMPARE(convert::tenthsText(tenths), text);
    QCOMPARE(records::formatTenthsTwoDecimals(tenths), twoDecimals);
}

void TestExports::recordBound_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bound");  // 0: no bound, -1: not a number
    QTest::newRow("5") << "5" << 5;
    QTest::newRow("5.7 whole part") << "5.7" << 5;
    QTest::newRow("0 no bound") << "0" << 0;
    QTest::newRow("negative no bound") << "-3" << 0;
    QTest::newRow("blanks") << " 12 " << 12;
    QTest::newRow("letters") << "abc" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestExports::recordBound()
{
    QFETCH(QString, text);
    QFETCH(int, bound);
    const auto b = records::recordBound(text);
    QCOMPARE(b ? *b : -1, bound);
}

// Each row: received text, N, then the expected records as "position:values" or "position!" for an
// unreadable one; values are tenths.
void TestExports::parser_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("sensors");
    QTest::addColumn<QStringList>("expected");
    const char *t = "18 04 27 03 21";
    QTest::newRow("two complete, N=2")
        << recordText(t, {0x00EB, 0x0005}) + recordText(t, {0x0000, 0xFFF6}) << 2
        << QStringList{"1:235,5", "2:0,-10"};
    QTest::newRow("sign rule at 48/49")
        << recordText(t, {0x3039, 0x3100, 0xFF85, 0x007B}) << 4
        << QStringList{"1:12345,-52992,-123,123"};
    QTest::newRow("value bytes 5B do not split")
        << recordText(t, {0x5B12, 0x125B}) + recordText(t, {0x005B, 0x5B5B}) << 2
        << QStringList{"1:-42222,4699", "2:91,-42149"};
    QTest::newRow("short record at the end")
        << recordText(t, {1, 2, 3, 4}) + recordText(t, {7, 8, 9}) << 4
        << QStringList{"1:1,2,3,4", "2:7,8,9"};
    QTest::newRow("short record in the middle")
        << recordText(t, {1, 2, 3, 4}) + recordText(t, {7, 8}) + recordText(t, {5, 6, 0x5B00, 8}) << 4
        << QStringList{"1:1,2,3,4", "2:7,8", "3:5,6,-42240,8"};
    QTest::newRow("too short keeps its position")
        << recordText(t, {1, 2}) + QStringLiteral(" 5B 18 04") + recordText(t, {3, 4}) << 2
        << QStringList{"1:1,2", "2!", "3:3,4"};
    QTest::newRow("0D0A inside a token")
        << recordText(t, {1, 2}) + QStringLiteral(" 5B 18 04 27 0D0A 21 00 01 00 02") + recordText(t, {3, 4}) << 2
        << QStringList{"1:1,2", "2!", "3:3,4"};
    QTest::newRow("bytes 0D 0A apart are values")
        << recordText(t, {0x0D0A, 0x0D0A}) << 2 << QStringList{"1:3338,3338"};
    QTest::newRow("not hexadecimal")
        << recordText(t, {1, 2}) + QStringLiteral(" 5B 18 04 27 03 21 00 XY 00 02") + recordText(t, {3, 4}) << 2
        << QStringList{"1:1,2", "2!", "3:3,4"};
    QTest::newRow("text before the first marker")
        << QStringLiteral(" 00 11 22") + recordText(t, {1, 2}) << 2 << QStringList{"1:1,2"};
    QTest::newRow("line breaks count as blanks")
        << recordText(t, {1, 2}) + QStringLiteral("\r\n") + recordText(t, {3, 4}) << 2
        << QStringList{"1:1,2", "2:3,4"};
    QTest::newRow("twenty values at most")
        << recordText(t, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}) << 22
        << QStringList{"1:1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20"};
    QTest::newRow("one value a record, N=1")
        << recordText(t, {1}) + recordText(t, {2}) << 1 << QStringList{"1:1", "2:2"};
    QTest::newRow("one value where two are due") << recordText(t, {1}) << 2 << QStringList{"1!"};
    QTest::newRow("empty") << QString() << 20 << QStringList{};
}

void TestExports::parser()
{
    QFETCH(QString, text);
    QFETCH(int, sensors);
    QFETCH(QStringList, expected);
    QStringList got;
    for (const ParsedRecord &r : parseRecords(text, sensors)) {
        if (!r.readable) {
            QVERIFY(!r.problem.isEmpty());
            got << QStringLiteral("%1!").arg(r.position);
            continue;
        }
        QStringList v;
        for (int x : r.tenths)
            v << QString::number(x);
        got << QStringLiteral("%1:%2").arg(r.position).arg(v.join(QLatin1Char(',')));
    }
    QCOMPARE(got, expected);
}

void TestExports::timeText()
{
    const auto recs = parseRecords(recordText("18 04 27 03 21", {1}) + recordText("26 1A 06 14 5", {1}), 1);
    QCOMPARE(recs.size(), 2);
    QCOMPARE(recs[0].timeText, QStringLiteral("2018-04-27 03:21 "));
    QCOMPARE(recs[0].time(), QDateTime(QDate(2018, 4, 27), QTime(3, 21)));
    QCOMPARE(recs[1].timeText, QStringLiteral("2026-1A-06 14:05 "));  // a token that is no number is copied
    QVERIFY(!recs[1].time());
}

void TestExports::textFileLines()
{
    // Record 3 of 2018-04-27 03:21 with 23.4 and -1.5; record 2 unreadable; 8 records, 5 reported valid.
    QString text = recordText("18 04 27 03 01", {1, 2}) + QStringLiteral(" 5B 18 04");
    for (int i = 3; i <= 8; ++i)
        text += recordText("18 04 27 03 21", {234, 0xFFF1});
    const auto recs = parseRecords(text, 2);
    QCOMPARE(recs.size(), 8);
    const QByteArray five = exports::textFile(recs, 5);
    QCOMPARE(five,
             QByteArray("2018-04-27 03:01  00.1 00.2 @1\r\n"
                        "2018-04-27 03:21  23.4 -01.5 @3\r\n"
                        "2018-04-27 03:21  23.4 -01.5 @4\r\n"
                        "2018-04-27 03:21  23.4 -01.5 @5\r\n"));
    QCOMPARE(exports::problems(recs, 5).size(), 1);
    QVERIFY(exports::problems(recs, 5)[0].contains(QStringLiteral("第 2 条")));
    QVERIFY(exports::problems(recs, 1).isEmpty());  // beyond the bound nothing is reported
}

void TestExports::csvFile()
{
    const auto recs = parseRecords(recordText("18 04 27 03 21", {234, 0xFFF1}) + recordText("26 1A 06 14 05", {5, 6}), 2);
    QCOMPARE(exports::csvFile(recs, 0, 3),
             QByteArray("time,ch1,ch2,ch3\r\n"
                        "2018-04-27T03:21,23.4,-1.5,\r\n"
                        "2026-1A-06 14:05,0.5,0.6,\r\n"));
}

void TestExports::workbookSheetKeepsPositions()
{
    const auto recs = parseRecords(recordText("18 04 27 03 21", {123, 0xFF85}) + QStringLiteral(" 5B 00")
                                       + recordText("18 04 27 03 22", {1, 2}), 2);
    const xls::Sheet sheet = exports::workbookSheet(recs, 0, 2);
    QMap<QPair<int, int>, QString> cells;
    for (const xls::Cell &c : sheet.cells())
        cells[{c.row, c.column}] = std::holds_alternative<QString>(c.value)
            ? std::get<QString>(c.value)
            : QString::number(std::get<double>(c.value));
    QCOMPARE(cells.value({0, 0}), QStringLiteral("传感器序列号"));
    QCOMPARE(cells.value({1, 0}), QStringLiteral("日期"));
    QCOMPARE(cells.value({1, 2}), QStringLiteral("2#传感器"));
    QCOMPARE(cells.value({2, 0}), QStringLiteral("2018-04-27 03:21 "));
    QCOMPARE(cells.value({2, 1}), QStringLiteral("12.3"));
    QCOMPARE(cells.value({2, 2}), QStringLiteral("-12.3"));
    QVERIFY(!cells.contains({3, 0}));  // record 2 unreadable: its row stays empty
    QCOMPARE(cells.value({4, 0}), QStringLiteral("2018-04-27 03:22 "));
    QCOMPARE(cells.size(), 2 + 2 + 3 + 3);
}

QTEST_GUILESS_MAIN(TestExports)
#include "test_exports.moc"
