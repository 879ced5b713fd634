#include "core/export/xlsworkbook.h"

#include <QCoreApplication>
#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

// The workbook stream: the BIFF8 records of the globals and the one worksheet.
namespace xls {

namespace {

constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
constexpr int kMaxTextLength = 32767;  // what an Excel cell holds
constexpr int kMaxRecordData = 8224;   // longer data goes on in CONTINUE records

constexpr quint16 kNumberFormat = 164;  // first index free for custom formats
constexpr quint16 kDateFormat = 165;
constexpr quint16 kTextXf = 15;         // cell XF: General
constexpr quint16 kNumberXf = 16;       // cell XF: "#00.0"
constexpr quint16 kDateXf = 17;         // cell XF: "yyyy-mm-dd hh:mm"

enum RecordId : quint16 {
    BOF = 0x0809,
    EOF_ = 0x000A,
    CODEPAGE = 0x0042,
    WINDOW1 = 0x003D,
    DATEMODE = 0x0022,
    FONT = 0x0031,
    FORMAT = 0x041E,
    XF = 0x00E0,
    STYLE = 0x0293,
    BOUNDSHEET = 0x0085,
    SST = 0x00FC,
    CONTINUE = 0x003C,
    EXTSST = 0x00FF,
    COLINFO = 0x007D,
    DIMENSIONS = 0x0200,
    LABELSST = 0x00FD,
    NUMBER = 0x0203,
    WINDOW2 = 0x023E,
};

// Little-endian appends to the stream, and records whose length is filled in when they end.
struct Out {
    QByteArray b;

    void u8(quint8 v) { b.append(char(v)); }
    void u16(quint16 v)
    {
        const char x[2] = {char(v), char(v >> 8)};
        b.append(x, 2);
    }
    void u32(quint32 v)
    {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    }
    void f64(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        char x[8];
        qToLittleEndian(bits, x);
        b.append(x, 8);
    }
    // Returns where the record's data starts.
    int begin(quint16 id)
    {
        u16(id);
        u16(0);
        return int(b.size());
    }
    void end(int dataStart)
    {
        const int length = int(b.size()) - dataStart;
        Q_ASSERT(length <= kMaxRecordData);
        b[dataStart - 2] = char(length);
        b[dataStart - 1] = char(length >> 8);
    }
    int room(int dataStart) const { return kMaxRecordData - (int(b.size()) - dataStart); }

    // Characters only (no length, no flags): one byte each, or UTF-16LE when wide.
    void chars(const QChar *p, int n, bool wide)
    {
        const qsizetype at = b.size();
        b.resize(at + (wide ? 2 * n : n));
        char *d = b.data() + at;
        if (wide) {
            for (int i = 0; i < n; ++i) {
                const char16_t u = p[i].unicode();
                *d++ = char(u);
                *d++ = char(u >> 8);
            }
        } else {
            for (int i = 0; i < n; ++i)
                *d++ = char(p[i].unicode());
        }
    }
};

// Latin-1 texts go one byte a character; anything above U+00FF makes the whole text UTF-16.
bool isWide(const QString &s)
{
    for (const QChar c : s)
        if (c.unicode() > 0xFF)
            return true;
    return false;
}

// A short text with a one-byte length (font and sheet names).
void shortString(Out &o, const QString &s)
{
    const bool wide = isWide(s);
    o.u8(quint8(s.size()));
    o.u8(wide ? 1 : 0);
    o.chars(s.constData(), int(s.size()), wide);
}

// The cells to write, sorted by row then column, each place once (the last given wins).
// False with *why set when a cell cannot go into a BIFF8 sheet.
bool orderedCells(const Sheet &sheet, std::vector<const Cell *> *out, QString *why)
{
    for (const Cell &c : sheet.cells()) {
        if (c.row < 0 || c.row >= kMaxRows) {
            *why = QCoreApplication::translate("xls", "第 %1 行超出了 Excel 97–2003 工作表的范围（最多 %2 行）")
                       .arg(qint64(c.row) + 1).arg(kMaxRows);
            return false;
        }
        if (c.column < 0 || c.column >= kMaxColumns) {
            *why = QCoreApplication::translate("xls", "第 %1 列超出了 Excel 97–2003 工作表的范围（最多 %2 列）")
                       .arg(qint64(c.column) + 1).arg(kMaxColumns);
            return false;
        }
        if (const QString *text = std::get_if<QString>(&c.value)) {
            if (text->size() > kMaxTextLength) {
                *why = QCoreApplication::translate("xls", "第 %1 行第 %2 列的文字有 %3 个字符，超过了单元格能容纳的 %4 个")
                           .arg(c.row + 1).arg(c.column + 1).arg(text->size()).arg(kMaxTextLength);
                return false;
            }
        } else if (!std::isfinite(cellNumber(c))) {
            *why = QCoreApplication::translate("xls", "第 %1 行第 %2 列的数值不是有限的数").arg(c.row + 1).arg(c.column + 1);
            return false;
        }
    }
    *out = sheet.placedCells();
    return true;
}

void bof(Out &o, quint16 type)
{
    const int r = o.begin(BOF);
    o.u16(0x0600);  // BIFF8
    o.u16(type);
    o.u16(0x0DBB);  // build
    o.u16(0x07CC);  // year
    o.u32(0);       // file history
    o.u32(0x0006);  // lowest BIFF version that reads it
    o.end(r);
}

void eof(Out &o) { o.end(o.begin(EOF_)); }

void font(Out &o)
{
    const int r = o.begin(FONT);
    o.u16(200);     // 10 pt, in twips
    o.u16(0);       // not italic, not struck out
    o.u16(0x7FFF);  // automatic colour
    o.u16(400);     // normal weight
    o.u16(0);       // no super/subscript
    o.u8(0);        // no underline
    o.u8(0);        // family
    o.u8(0);        // character set
    o.u8(0);
    shortString(o, QStringLiteral("Arial"));
    o.end(r);
}

// flags: bit 0 locked, bit 2 style XF, bits 4–15 parent style XF (0xFFF for a style).
// used: which attributes this XF sets itself (bit 2 number format, 3 font, 4 alignment, …).
void xf(Out &o, quint16 fontIndex, quint16 format, quint16 flags, quint8 used)
{
    const int r = o.begin(XF);
    o.u16(fontIndex);
    o.u16(format);
    o.u16(flags);
    o.u8(0x20);  // general alignment, bottom
    o.u8(0);     // no rotation
    o.u8(0);     // no indent
    o.u8(used);
    o.u32(0);       // no borders
    o.u32(0);       // no border colours, no fill
    o.u16(0x20C0);  // pattern colours: system foreground 64, background 65
    o.end(r);
}

struct Bucket {
    quint32 streamPos;
    quint16 recordOffset;
};

// The shared strings; a text that does not fit in a record goes on in a CONTINUE record, which
// starts again with the flags byte. A text's length and flags stay with its first character;
// the two halves of a surrogate pair stay together.
void sst(Out &o, const QVector<const QString *> &strings, quint32 references, int perBucket,
         QVector<Bucket> *buckets)
{
    int r = o.begin(SST);
    o.u32(references);
    o.u32(quint32(strings.size()));
    for (int i = 0; i < strings.size(); ++i) {
        const QString &s = *strings[i];
        const bool wide = isWide(s);
        const int unit = wide ? 2 : 1;
        const QChar *p = s.constData();
        int left = int(s.size());
        const int first = left == 0 ? 0 : (p[0].isHighSurrogate() && left > 1 ? 2 : 1);
        if (o.room(r) < 3 + first * unit) {
            o.end(r);
            r = o.begin(CONTINUE);
        }
        if (i % perBucket == 0)
            buckets->append({quint32(o.b.size()), quint16(o.b.size() - r + 4)});
        o.u16(quint16(left));
        o.u8(wide ? 1 : 0);
        for (;;) {
            int n = std::min(left, o.room(r) / unit);
            if (n < left && n > 0 && p[n - 1].isHighSurrogate())
                --n;
            o.chars(p, n, wide);
            p += n;
            left -= n;
            if (left == 0)
                break;
            o.end(r);
            r = o.begin(CONTINUE);
            o.u8(wide ? 1 : 0);
        }
    }
    o.end(r);
}

// The sheet's shared strings in order of first use (isst: each cell's index among them), and per
// column the widest text.
struct SharedStrings {
    QVector<const QString *> strings;
    std::vector<quint32> isst;
    std::array<int, kMaxColumns> widths{};
    quint32 references = 0;
    qsizetype bytes = 0;
};

SharedStrings sharedStrings(const std::vector<const Cell *> &cells)
{
    SharedStrings s;
    QHash<QString, quint32> index;
    std::vector<int> stringWidth;
    s.isst.assign(cells.size(), 0);
    index.reserve(qsizetype(cells.size()) / 4 + 16);
    for (size_t k = 0; k < cells.size(); ++k) {
        const QString *text = std::get_if<QString>(&cells[k]->value);
        if (!text) {
            int &w = s.widths[size_t(cells[k]->column)];
            w = std::max(w, displayWidth(*cells[k]));
            continue;
        }
        ++s.references;
        auto it = index.constFind(*text);
        if (it == index.constEnd()) {
            it = index.insert(*text, quint32(s.strings.size()));
            s.strings.append(text);
            stringWidth.push_back(displayWidth(*text));
            s.bytes += 3 + 2 * text->size();
        }
        s.isst[k] = *it;
        int &w = s.widths[size_t(cells[k]->column)];
        w = std::max(w, stringWidth[*it]);
    }
    return s;
}

// The workbook globals up to the fonts: BOF, code page, window, date mode.
void globalsHead(Out &o)
{
    bof(o, 0x0005);
    {
        const int r = o.begin(CODEPAGE);
        o.u16(1200);  // UTF-16
        o.end(r);
    }
    {
        const int r = o.begin(WINDOW1);
        o.u16(0);       // left
        o.u16(0);       // top
        o.u16(0x4000);  // width
        o.u16(0x2000);  // height
        o.u16(0x0038);  // scroll bars and sheet tabs shown
        o.u16(0);       // active sheet
        o.u16(0);       // first tab shown
        o.u16(1);       // tabs selected
        o.u16(600);     // tab bar width, per mille
        o.end(r);
    }
    {
        const int r = o.begin(DATEMODE);
        o.u16(0);  // dates count from 1900, as cellNumber() gives them
        o.end(r);
    }
}

// Fonts, number formats, cell formats and the Normal style.
void formats(Out &o)
{
    for (int i = 0; i < 5; ++i)  // fonts 0–3 and 5: Excel numbers no font 4
        font(o);
    for (const auto &[id, format] : {std::pair{kNumberFormat, Sheet::numberFormat()}, std::pair{kDateFormat, Sheet::dateFormat()}}) {
        const int r = o.begin(FORMAT);
        o.u16(id);
        o.u16(quint16(format.size()));
        o.u8(0);
        o.chars(format.constData(), int(format.size()), false);
        o.end(r);
    }
    xf(o, 0, 0, 0xFFF5, 0x00);  // style Normal
    for (quint16 i = 1; i < 15; ++i)
        xf(o, i <= 2 ? 1 : i <= 4 ? 2 : 0, 0, 0xFFF5, 0xF4);
    xf(o, 0, 0, 0x0001, 0x00);           // kTextXf
    xf(o, 0, kNumberFormat, 0x0001, 0x04);  // kNumberXf
    xf(o, 0, kDateFormat, 0x0001, 0x04);    // kDateXf
    {
        const int r = o.begin(STYLE);
        o.u16(0x8000);  // built-in style on XF 0
        o.u8(0);        // Normal
        o.u8(0xFF);
        o.end(r);
    }
}

// The shared string table and its index.
void stringTable(Out &o, const SharedStrings &s)
{
    const int perBucket = std::max(8, int((s.strings.size() + 127) / 128));
    QVector<Bucket> buckets;
    sst(o, s.strings, s.references, perBucket, &buckets);
    const int r = o.begin(EXTSST);
    o.u16(quint16(perBucket));
    for (const Bucket &b : buckets) {
        o.u32(b.streamPos);
        o.u16(b.recordOffset);
        o.u16(0);
    }
    o.end(r);
}

// The worksheet's column widths and its used range.
void sheetHead(Out &o, const std::vector<const Cell *> &cells, const std::array<int, kMaxColumns> &widths)
{
    for (int c = 0; c < kMaxColumns; ++c) {
        const int w = std::min(widths[size_t(c)] + 1, 255);
        if (w <= 8)
            continue;  // the default width (8.43) fits
        const int r = o.begin(COLINFO);
        o.u16(quint16(c));
        o.u16(quint16(c));
        o.u16(quint16(w * 256));
        o.u16(kTextXf);
        o.u16(0);
        o.u16(0);
        o.end(r);
    }
    int firstColumn = kMaxColumns, lastColumn = -1;
    for (const Cell *c : cells) {
        firstColumn = std::min(firstColumn, c->column);
        lastColumn = std::max(lastColumn, c->column);
    }
    const int r = o.begin(DIMENSIONS);
    o.u32(cells.empty() ? 0 : quint32(cells.front()->row));
    o.u32(cells.empty() ? 0 : quint32(cells.back()->row + 1));
    o.u16(cells.empty() ? 0 : quint16(firstColumn));
    o.u16(cells.empty() ? 0 : quint16(lastColumn + 1));
    o.u16(0);
    o.end(r);
}

void cellRecords(Out &o, const std::vector<const Cell *> &cells, const std::vector<quint32> &isst)
{
    for (size_t k = 0; k < cells.size(); ++k) {
        // Each cell record made whole and appended once: these are most of the stream.
        const Cell &c = *cells[k];
        char rec[18];
        const bool number = !std::holds_alternative<QString>(c.value);
        qToLittleEndian(quint16(number ? NUMBER : LABELSST), rec);
        qToLittleEndian(quint16(number ? 14 : 10), rec + 2);
        qToLittleEndian(quint16(c.row), rec + 4);
        qToLittleEndian(quint16(c.column), rec + 6);
        qToLittleEndian(!number ? kTextXf : std::holds_alternative<double>(c.value) ? kNumberXf : kDateXf, rec + 8);
        if (number) {
            const double v = cellNumber(c);
            quint64 bits;
            std::memcpy(&bits, &v, sizeof bits);
            qToLittleEndian(bits, rec + 10);
        } else {
            qToLittleEndian(isst[k], rec + 10);
        }
        o.b.append(rec, number ? 18 : 14);
    }
}

void window2(Out &o)
{
    const int r = o.begin(WINDOW2);
    o.u16(0x06B6);  // grid, headers, zeros, outline symbols; selected and shown
    o.u16(0);       // top row
    o.u16(0);       // left column
    o.u16(0x40);    // automatic grid colour
    o.u16(0);
    o.u16(0);  // zoom of the page-break preview: default
    o.u16(0);  // zoom: default
    o.u32(0);
    o.end(r);
}

bool buildStream(const Sheet &sheet, QByteArray *stream, QString *why)
{
    std::vector<const Cell *> cells;
    if (!orderedCells(sheet, &cells, why))
        return false;
    const SharedStrings strings = sharedStrings(cells);
    Out o;
    o.b.reserve(2048 + strings.bytes + strings.bytes / kMaxRecordData * 5 + qsizetype(cells.size()) * 18);

    // Globals.
    globalsHead(o);
    formats(o);
    int sheetOffsetAt;
    {
        const int r = o.begin(BOUNDSHEET);
        sheetOffsetAt = int(o.b.size());
        o.u32(0);  // the sheet's BOF, filled in below
        o.u8(0);   // visible
        o.u8(0);   // worksheet
        shortString(o, sheetName(sheet.name()));
        o.end(r);
    }
    stringTable(o, strings);
    eof(o);

    // The worksheet.
    qToLittleEndian(quint32(o.b.size()), o.b.data() + sheetOffsetAt);
    bof(o, 0x0010);
    sheetHead(o, cells, strings.widths);
    cellRecords(o, cells, strings.isst);
    window2(o);
    eof(o);

    *stream = std::move(o.b);
    return true;
}

} // namespace

QByteArray workbookStream(const Sheet &sheet, QString *why)
{
    QByteArray stream;
    QString reason;
    if (!buildStream(sheet, &stream, &reason)) {
        if (why)
            *why = reason;
        return {};
    }
    return stream;
}

} // namespace xls
