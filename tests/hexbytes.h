#pragma once
#include "core/link/hex.h"
#include <QByteArray>
#include <QString>

// "02 03 00 7C" → bytes; a test helper, so a malformed literal fails loudly.
inline QByteArray hx(const char *text)
{
    QByteArray out;
    if (!parseHexBytes(QString::fromLatin1(text), out))
        qFatal("bad hex literal in test: %s", text);
    return out;
}
