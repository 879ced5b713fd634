#pragma once
#include "link/hex.h"  // the hex texts a test compares with
#include <QByteArray>

// "02 03 00 7C" → bytes; a test helper, so a malformed literal fails loudly.
inline QByteArray hx(const char *text)
{
    const QByteArray digits = QByteArray(text).replace(' ', "");
    const QByteArray out = QByteArray::fromHex(digits);
    if (digits.size() % 2 || out.toHex().toUpper() != digits.toUpper())
        qFatal("bad hex literal in test: %s", text);
    return out;
}
