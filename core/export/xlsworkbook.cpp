#include "core/export/xlsworkbook.h"
#include "core/files/safefile.h"

#include <QCoreApplication>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace xls {

void Sheet::setText(int row, int column, const QString &text)
{
    m_cells.append(Cell{row, column, text});
}

void Sheet::setNumber(int row, int column, double value)
{
    m_cells.append(Cell{row, column, value});
}

void Sheet::setDateTime(int row, int column, const QDateTime &value)
{
    m_cells.append(Cell{row, column, value});
}

std::vector<const Cell *> Sheet::placedCells() const
{
    const auto before = [](const Cell *a, const Cell *b) { return a->row != b->row ? a->row < b->row : a->column < b->column; };
    std::vector<const Cell *> out;
    out.reserve(size_t(m_cells.size()));
    for (const Cell &c : m_cells)
        out.push_back(&c);
    // Stable, so that of the cells at one place the last given comes last.
    if (!std::is_sorted(out.begin(), out.end(), before))
        std::stable_sort(out.begin(), out.end(), before);
    size_t kept = 0;
    for (size_t k = 0; k < out.size(); ++k)
        if (k + 1 == out.size() || before(out[k], out[k + 1]))
            out[kept++] = out[k];
    out.resize(kept);
    return out;
}

int displayWidth(const QString &text)
{
    int w = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            continue;
        w += c.unicode() >= 0x1100 ? 2 : 1;
    }
    return w;
}

int displayWidth(const Cell &cell)
{
    if (const QString *text = std::get_if<QString>(&cell.value))
        return displayWidth(*text);
    return std::holds_alternative<QDateTime>(cell.value) ? int(Sheet::dateFormat().size()) : 0;
}

double cellNumber(const Cell &cell)
{
    if (const double *number = std::get_if<double>(&cell.value))
        return *number;
    const QDateTime *at = std::get_if<QDateTime>(&cell.value);
    // The date and time fields, not the moment: a local time stays the time the recorder wrote.
    const qint64 days = at && at->date().isValid() ? QDate(1899, 12, 30).daysTo(at->date()) : 0;
    if (days < 61 || days > 2'958'465 || !at->time().isValid())  // 1900-03-01 … 9999-12-31
        return std::nan("");
    return double(days) + at->time().msecsSinceStartOfDay() / 86'400'000.0;
}

QString sheetName(const QString &wanted)
{
    QString name = wanted;
    for (QChar &c : name)
        if (QStringView(u":\\/?*[]").contains(c) || c.unicode() < 0x20)
            c = u'_';
    if (name.size() > 31)
        name.truncate(name.at(30).isHighSurrogate() ? 30 : 31);
    while (name.startsWith(u'\''))
        name.remove(0, 1);
    while (name.endsWith(u'\''))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("Sheet1") : name;
}

namespace {

// The compound file around the stream; false with *why set on a write error.
bool writeCompoundFile(FILE *file, const QByteArray &name, const QByteArray &stream, QString *why)
{
    static const bool initialised = (gsf_init(), true);
    Q_UNUSED(initialised);

    GsfOutput *sink = gsf_output_stdio_new_FILE(name.constData(), file, TRUE);
    if (!sink) {
        *why = QCoreApplication::translate("xls", "无法建立文件输出");
        return false;
    }
    GsfOutfile *ole = gsf_outfile_msole_new(sink);
    // The class of an Excel workbook, {00020820-0000-0000-C000-000000000046}.
    static const guint8 excelClass[16] = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(ole), excelClass);
    GsfOutput *child = gsf_outfile_new_child(ole, "Workbook", FALSE);

    bool ok = child != nullptr;
    ok = ok && gsf_output_write(child, size_t(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()));
    ok = (child ? gsf_output_close(child) : false) && ok;
    ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;  // closes the sink as well
    if (!gsf_output_is_closed(sink))
        ok = gsf_output_close(sink) && ok;
    if (!ok) {
        const GError *e = child ? gsf_output_error(child) : nullptr;
        if (!e)
            e = gsf_output_error(GSF_OUTPUT(ole));
        if (!e)
            e = gsf_output_error(sink);
        *why = e && e->message ? QString::fromUtf8(e->message) : QCoreApplication::translate("xls", "写入失败");
    }
    if (child)
        g_object_unref(child);
    g_object_unref(ole);
    g_object_unref(sink);
    return ok;
}

} // namespace

bool writeWorkbook(const QString &path, const Sheet &sheet, QString *error)
{
    QString why;
    const QByteArray stream = workbookStream(sheet, &why);
    const bool ok = !stream.isEmpty() && safefile::writeThrough(path, [&](int fd, const QByteArray &name, QString *reason) {
        FILE *file = ::fdopen(fd, "wb");
        if (!file) {
            *reason = safefile::writeReason(errno);
            ::close(fd);
            return false;
        }
        bool written = writeCompoundFile(file, name, stream, reason);
        if (written && std::fflush(file) != 0) {
            *reason = safefile::writeReason(errno);
            written = false;
        }
        if (std::fclose(file) != 0 && written) {
            *reason = safefile::writeReason(errno);
            written = false;
        }
        return written;
    }, &why);
    if (!ok)
        setError(error, path, why);
    return ok;
}

void setError(QString *error, const QString &path, const QString &reason)
{
    if (error)
        *error = QCoreApplication::translate("xls", "无法写入 Excel 文件 %1：%2").arg(path, reason);
}

} // namespace xls
