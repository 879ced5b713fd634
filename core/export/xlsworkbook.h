#pragma once
#include <QDateTime>
#include <QString>
#include <QVector>
#include <cstdint>
#include <variant>
#include <vector>

// A genuine Excel 97–2003 workbook (.xls): BIFF8 records in an OLE2 compound file.
// One worksheet of text, number and date cells; libgsf writes the container, this writes the records.
namespace xls {

struct Cell {
    int row = 0;     // 0-based
    int column = 0;  // 0-based, below 256
    std::variant<QString, double, QDateTime> value;
};

class Sheet {
public:
    explicit Sheet(QString name = QStringLiteral("Sheet1")) : m_name(std::move(name)) {}

    // Cells may be given in any order; a later cell at the same place replaces an earlier one.
    void setText(int row, int column, const QString &text);
    // Shown with the number format numberFormat() ("#00.0": 12.3, -12.3, 05.0).
    void setNumber(int row, int column, double value);
    // A date and time, to the minute, shown with dateFormat() ("2026-12-07 18:53"); a spreadsheet
    // reads it as a date. Its date and time of day are taken as they are, in no time zone.
    void setDateTime(int row, int column, const QDateTime &value);
    void reserve(int cells) { m_cells.reserve(cells); }

    const QString &name() const { return m_name; }
    const QVector<Cell> &cells() const { return m_cells; }
    // The cells in row then column order, each place once (the last given wins).
    std::vector<const Cell *> placedCells() const;
    static QString numberFormat() { return QStringLiteral("#00.0"); }
    static QString dateFormat() { return QStringLiteral("yyyy-mm-dd hh:mm"); }

private:
    QString m_name;
    QVector<Cell> m_cells;
};

// The sheet's name made fit for a workbook: no ":\\/?*[]" or control characters, at most 31
// characters, no quote at either end; "Sheet1" when nothing is left.
QString sheetName(const QString &wanted);

// Columns a text takes in the default font: East Asian characters count twice.
int displayWidth(const QString &text);
// Columns a cell's text or date takes; 0 for a number, which a column's width does not follow.
int displayWidth(const Cell &cell);

// The number a number or date cell holds. A date is its serial in Excel's 1900 date system: the days
// since 1899-12-30 and the fraction of the day. NaN for a text, for a date that is not valid, and for
// one before 1900-03-01 (the system counts a 29 February 1900 that was not) or after 9999.
double cellNumber(const Cell &cell);

// "无法写入 Excel 文件 <path>：<reason>" into *error, when there is one.
void setError(QString *error, const QString &path, const QString &reason);

// The workbook stream (the BIFF8 records of the globals and the one worksheet). Empty when the
// sheet cannot be written: a cell beyond 65,536 rows or 256 columns, a text longer than 32,767
// characters, a number that is not finite or a date that cellNumber() does not take; *why then says
// which.
QByteArray workbookStream(const Sheet &sheet, QString *why = nullptr);

// Writes the workbook to path (through safefile::writeThrough: a failure leaves neither a
// half-written file nor a damaged earlier one). False with a reason in *error.
bool writeWorkbook(const QString &path, const Sheet &sheet, QString *error);

} // namespace xls
