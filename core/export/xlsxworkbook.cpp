#include "core/export/xlsxworkbook.h"
#include "core/files/safefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <map>
#include <unistd.h>
#include <vector>

namespace xlsx {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr int kMaxTextLength = 32767;

using Cells = std::vector<const xls::Cell *>;

using xls::setError;

// Why a cell cannot go into an .xlsx sheet; empty when all can.
QString refusal(const Cells &cells)
{
    for (const xls::Cell *c : cells) {
        if (c->row < 0 || c->row >= kMaxRows)
            return QCoreApplication::translate("xlsx", "第 %1 行超出了 Excel 工作表的范围（最多 %2 行）").arg(qint64(c->row) + 1).arg(kMaxRows);
        if (c->column < 0 || c->column >= kMaxColumns)
            return QCoreApplication::translate("xlsx", "第 %1 列超出了 Excel 工作表的范围（最多 %2 列）").arg(qint64(c->column) + 1).arg(kMaxColumns);
        if (const QString *text = std::get_if<QString>(&c->value)) {
            if (text->size() > kMaxTextLength)
                return QCoreApplication::translate("xlsx", "第 %1 行第 %2 列的文字有 %3 个字符，超过了单元格能容纳的 %4 个")
                    .arg(c->row + 1).arg(c->column + 1).arg(text->size()).arg(kMaxTextLength);
        } else if (!std::isfinite(xls::cellNumber(*c))) {
            return QCoreApplication::translate("xlsx", "第 %1 行第 %2 列的数值不是有限的数").arg(c->row + 1).arg(c->column + 1);
        }
    }
    return {};
}

// libxlsxwriter's failure in a few words. err: errno right after it, which names a file system's
// refusal (a full disk) better than the library does.
QString reason(lxw_error e, int err)
{
    switch (e) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QCoreApplication::translate("xlsx", "内存不足");
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        if (err != 0)
            return safefile::writeReason(err);
        [[fallthrough]];
    default:
        return QCoreApplication::translate("xlsx", "写入失败（%1）").arg(QString::fromUtf8(lxw_strerror(e)));
    }
}

// The workbook into file, its own temporary files in tmpdir; false with *why set.
bool writeFile(const QByteArray &file, const QByteArray &tmpdir, const QString &name, const Cells &cells, QString *why)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // rows go to a file as they are written, not kept in memory
    options.tmpdir = const_cast<char *>(tmpdir.constData());
    lxw_workbook *book = workbook_new_opt(file.constData(), &options);
    if (!book) {
        *why = reason(LXW_ERROR_MEMORY_MALLOC_FAILED, 0);
        return false;
    }
    lxw_error e = LXW_NO_ERROR;
    lxw_worksheet *sheet = workbook_add_worksheet(book, xls::sheetName(name).toUtf8().constData());
    lxw_format *number = workbook_add_format(book);
    lxw_format *date = workbook_add_format(book);
    if (!sheet || !number || !date) {
        e = LXW_ERROR_MEMORY_MALLOC_FAILED;
    } else {
        format_set_num_format(number, xls::Sheet::numberFormat().toUtf8().constData());
        format_set_num_format(date, xls::Sheet::dateFormat().toUtf8().constData());
    }

    // Columns as wide as their widest text or date, as in the .xls; given before the rows, which
    // constant memory writes out as they come.
    std::map<int, int> widths;
    for (const xls::Cell *c : cells)
        if (const int w = xls::displayWidth(*c); w > 0)
            widths[c->column] = std::max(widths[c->column], w);
    for (auto it = widths.begin(); e == LXW_NO_ERROR && it != widths.end(); ++it)
        if (const int w = std::min(it->second + 1, 255); w > 8)
            e = worksheet_set_column(sheet, lxw_col_t(it->first), lxw_col_t(it->first), w, nullptr);

    for (auto it = cells.begin(); e == LXW_NO_ERROR && it != cells.end(); ++it) {
        const xls::Cell &c = **it;
        if (const QString *text = std::get_if<QString>(&c.value))
            e = worksheet_write_string(sheet, lxw_row_t(c.row), lxw_col_t(c.column), text->toUtf8().constData(), nullptr);
        else
            e = worksheet_write_number(sheet, lxw_row_t(c.row), lxw_col_t(c.column), xls::cellNumber(c),
                                       std::holds_alternative<double>(c.value) ? number : date);
    }
    // Closed in every case: that frees the workbook. After a failure what it wrote is thrown away.
    errno = 0;
    const lxw_error closed = workbook_close(book);
    const int err = errno;
    if (e == LXW_NO_ERROR)
        e = closed;
    if (e != LXW_NO_ERROR)
        *why = reason(e, closed == LXW_NO_ERROR ? 0 : err);
    return e == LXW_NO_ERROR;
}

} // namespace

bool writeWorkbook(const QString &path, const xls::Sheet &sheet, QString *error)
{
    const Cells cells = sheet.placedCells();
    QString why = refusal(cells);
    if (!why.isEmpty()) {
        setError(error, path, why);
        return false;
    }

    const QByteArray tmpdir = QFile::encodeName(QFileInfo(path).absolutePath());
    const bool ok = safefile::writeThrough(path, [&](int fd, const QByteArray &name, QString *reason) {
        ::close(fd);  // a name taken; libxlsxwriter opens the file again by it
        return writeFile(name, tmpdir, sheet.name(), cells, reason);
    }, &why);
    if (!ok)
        setError(error, path, why);
    return ok;
}

} // namespace xlsx
