#pragma once
#include "core/link/crc16.h"
#include "core/link/hex.h"
#include <QByteArray>
#include <QString>
#include <QStringList>

// Parses hex tokens separated by blanks ("02 03 00 7C") into bytes; false on a bad token.
inline bool parseHexBytes(const QString &text, QByteArray &out)
{
    out.clear();
    const auto tokens = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &t : tokens) {
        bool ok = false;
        const uint v = t.toUInt(&ok, 16);
        if (!ok || t.size() > 2 || v > 0xFF)
            return false;
        out.append(char(v));
    }
    return true;
}

// "02 03 00 7C" → bytes; a test helper, so a malformed literal fails loudly.
inline QByteArray hx(const char *text)
{
    QByteArray out;
    if (!parseHexBytes(QString::fromLatin1(text), out))
        qFatal("bad hex literal in test: %s", text);
    return out;
}

// hx() with its CRC appended: a whole frame.
inline QByteArray withCrc(const char *text)
{
    QByteArray f = hx(text);
    appendCrc(f);
    return f;
}
