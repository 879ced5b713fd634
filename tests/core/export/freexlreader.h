#pragma once
// Reads a workbook's first sheet back with freexl, an .xls reader no one here wrote.
#include <QDateTime>
#include <QFile>
#include <QPair>
#include <QString>
#include <cmath>
#include <freexl.h>
#include <variant>

using Value = std::variant<std::monostate, QString, double, QDateTime>;

class FreeXl {
public:
    explicit FreeXl(const QString &path)
    {
        m_rc = freexl_open(QFile::encodeName(path).constData(), &m_handle);
        if (m_rc == FREEXL_OK)
            m_rc = freexl_select_active_worksheet(m_handle, 0);
    }
    ~FreeXl()
    {
        if (m_handle)
            freexl_close(m_handle);
    }
    FreeXl(const FreeXl &) = delete;
    FreeXl &operator=(const FreeXl &) = delete;

    int status() const { return m_rc; }
    QString sheetName() const
    {
        const char *name = nullptr;
        return freexl_get_worksheet_name(m_handle, 0, &name) == FREEXL_OK ? QString::fromUtf8(name) : QString();
    }
    QPair<unsigned, unsigned> dimensions() const
    {
        unsigned rows = 0;
        unsigned short columns = 0;
        freexl_worksheet_dimensions(m_handle, &rows, &columns);
        return {rows, columns};
    }
    // A mismatch described, or empty when the cell holds what is expected.
    QString check(int row, int column, const Value &expected) const
    {
        FreeXL_CellValue v;
        const QString at = QStringLiteral("(%1,%2)").arg(row).arg(column);
        if (const int rc = freexl_get_cell_value(m_handle, unsigned(row), (unsigned short)column, &v); rc != FREEXL_OK)
            return at + QStringLiteral(" unreadable: %1").arg(rc);
        const QString *text = std::get_if<QString>(&expected);
        const double *number = std::get_if<double>(&expected);
        const QDateTime *date = std::get_if<QDateTime>(&expected);  // a number shown as a date and time
        const int type = text ? FREEXL_CELL_SST_TEXT : number ? FREEXL_CELL_DOUBLE : date ? FREEXL_CELL_DATETIME : FREEXL_CELL_NULL;
        if (v.type != type)
            return at + QStringLiteral(" type %1, not %2").arg(v.type).arg(type);
        const QString wanted = text ? *text : date ? date->toString(u"yyyy-MM-dd HH:mm:ss") : QString();
        if ((text || date) && QString::fromUtf8(v.value.text_value) != wanted)
            return at + QStringLiteral(" text '%1', not '%2'").arg(QString::fromUtf8(v.value.text_value).left(40), wanted.left(40));
        if (number && std::abs(v.value.double_value - *number) > 1e-9)
            return at + QStringLiteral(" %1, not %2").arg(v.value.double_value).arg(*number);
        return QString();
    }

    // A cell as text: a number as printed, nothing for an empty cell.
    QString text(int row, int column) const
    {
        FreeXL_CellValue v;
        if (freexl_get_cell_value(m_handle, unsigned(row), (unsigned short)column, &v) != FREEXL_OK)
            return QStringLiteral("?");
        if (v.type == FREEXL_CELL_SST_TEXT || v.type == FREEXL_CELL_TEXT || (v.type >= FREEXL_CELL_DATE && v.type <= FREEXL_CELL_TIME))
            return QString::fromUtf8(v.value.text_value);
        if (v.type == FREEXL_CELL_DOUBLE)
            return QString::number(v.value.double_value);
        if (v.type == FREEXL_CELL_INT)
            return QString::number(v.value.int_value);
        return QString();
    }

private:
    const void *m_handle = nullptr;
    int m_rc = FREEXL_OK;
};
