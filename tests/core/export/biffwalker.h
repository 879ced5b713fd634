#pragma once
// Walks the BIFF records of a workbook stream, and its shared-string table as a reader would.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtEndian>
#include <algorithm>

namespace biff {

struct Record {
    quint16 id;
    qsizetype at;  // the header's offset in the stream
    QByteArray data;
};

enum : quint16 {
    kBof = 0x0809, kEof = 0x000A, kCodepage = 0x0042, kFont = 0x0031, kFormat = 0x041E, kXf = 0x00E0,
    kStyle = 0x0293, kBoundsheet = 0x0085, kSst = 0x00FC, kContinue = 0x003C, kExtsst = 0x00FF,
    kDimensions = 0x0200, kLabelsst = 0x00FD, kNumber = 0x0203, kWindow1 = 0x003D, kWindow2 = 0x023E, kDatemode = 0x0022, kColinfo = 0x007D,
};

inline quint16 u16(const QByteArray &d, qsizetype at) { return qFromLittleEndian<quint16>(d.constData() + at); }
inline quint32 u32(const QByteArray &d, qsizetype at) { return qFromLittleEndian<quint32>(d.constData() + at); }

// Every record, or none when the stream does not divide into whole records.
inline QVector<Record> recordsOf(const QByteArray &s)
{
    QVector<Record> out;
    qsizetype at = 0;
    while (at + 4 <= s.size()) {
        const quint16 length = u16(s, at + 2);
        if (at + 4 + length > s.size())
            return {};
        out.append({u16(s, at), at, s.mid(at + 4, length)});
        at += 4 + length;
    }
    return at == s.size() ? out : QVector<Record>();
}

inline QVector<Record> ofId(const QVector<Record> &records, quint16 id)
{
    QVector<Record> out;
    for (const Record &r : records)
        if (r.id == id)
            out.append(r);
    return out;
}

// The shared strings as a reader walks them through SST and its CONTINUE records, with where
// each starts and which of them were split across records.
struct SharedStrings {
    quint32 total = 0, unique = 0;
    QStringList strings;
    QVector<qsizetype> streamPos;  // of each string's length field
    QVector<int> recordOffset;     // the same, from the start of its record's header
    int splitNarrow = 0, splitWide = 0;
    QString fault;
};

inline SharedStrings sharedStrings(const QVector<Record> &records)
{
    SharedStrings out;
    const auto fail = [&](const QString &why) { out.fault = why; return out; };
    const qsizetype first = std::find_if(records.begin(), records.end(), [](const Record &r) { return r.id == kSst; }) - records.begin();
    if (first == records.size())
        return fail(QStringLiteral("no SST"));
    QVector<const Record *> parts{&records[first]};
    for (qsizetype i = first + 1; i < records.size() && records[i].id == kContinue; ++i)
        parts.append(&records[i]);
    out.total = u32(parts[0]->data, 0);
    out.unique = u32(parts[0]->data, 4);
    int part = 0;
    qsizetype pos = 8;
    for (quint32 n = 0; n < out.unique; ++n) {
        if (pos == parts[part]->data.size() && part + 1 < parts.size()) {
            ++part;
            pos = 0;
        }
        const QByteArray *d = &parts[part]->data;
        if (pos + 3 > d->size())
            return fail(QStringLiteral("string %1: its length and flags are cut by a record end").arg(n));
        out.streamPos.append(parts[part]->at + 4 + pos);
        out.recordOffset.append(int(4 + pos));
        int left = u16(*d, pos);
        bool wide = (*d)[pos + 2] & 1;
        pos += 3;
        QString s;
        for (;;) {
            const int unit = wide ? 2 : 1;
            const int n = std::min<int>(left, int((d->size() - pos) / unit));
            for (int k = 0; k < n; ++k)
                s += QChar(wide ? u16(*d, pos + 2 * k) : quint8((*d)[pos + k]));
            pos += n * unit;
            left -= n;
            if (left == 0)
                break;
            if (!s.isEmpty() && s.back().isHighSurrogate())
                return fail(QStringLiteral("string %1: a surrogate pair is split across records").arg(n));
            if (++part >= parts.size())
                return fail(QStringLiteral("string %1 runs past the last CONTINUE").arg(n));
            ++(wide ? out.splitWide : out.splitNarrow);
            d = &parts[part]->data;
            wide = (*d)[0] & 1;  // a continued string starts again with its flags
            pos = 1;
        }
        out.strings.append(s);
    }
    if (part != parts.size() - 1 || pos != parts[part]->data.size())
        out.fault = QStringLiteral("bytes left after the last string");
    return out;
}

} // namespace biff
