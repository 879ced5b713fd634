#pragma once
// Tables of cases as QTest data rows, so a failing entry is named and hides none of the others. A table
// is a function-local static: "const auto &frameRows() { static const struct {...} rows[] = {...};
// return rows; }"; frames_data() calls tableRows(frameRows()), frames() tableRow(frameRows()).
#include <QTest>
#include <iterator>

// A column "row" and one data row an entry, named name(entry): by default its name field.
template <typename Table, typename Name>
void tableRows(const Table &table, Name name)
{
    QTest::addColumn<int>("row");
    int index = 0;
    for (const auto &entry : table)
        QTest::newRow(QString(name(entry)).toUtf8().constData()) << index++;
}
template <typename Table>
void tableRows(const Table &table) { tableRows(table, [](const auto &entry) { return entry.name; }); }

// The entry of the running data row.
template <typename Table>
const auto &tableRow(const Table &table)
{
    QFETCH(int, row);
    return std::data(table)[row];
}

// Each entry once for every variant (a kind of line, say): columns "row" and "variant", data rows
// named "name / variant".
template <typename Table, typename Variants>
void tableRowsOver(const Table &table, const Variants &variants)
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("variant");
    int index = 0;
    for (const auto &entry : table) {
        int v = 0;
        for (const char *variant : variants)
            QTest::newRow(qPrintable(QStringLiteral("%1 / %2").arg(QString(entry.name), QLatin1String(variant)))) << index << v++;
        ++index;
    }
}
