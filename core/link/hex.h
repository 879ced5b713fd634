#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// Two upper-case hex digits: 0 → "00", 10 → "0A", 255 → "FF".
QString byteHex(uint8_t byte);

// The request echo: every byte as two digits followed by one blank ("02 03 … F6 ").
QString requestHex(const QByteArray &frame);

// The reply text: one blank before every byte's two digits (" 01 03 02"); empty for no bytes.
QString hexText(const QByteArray &bytes);
