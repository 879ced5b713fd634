#pragma once
#include <QByteArray>
#include <cstdint>

// The Modbus serial-line CRC-16 (reflected polynomial A001, initial FFFF, no final XOR).
struct Crc {
    uint8_t low = 0xFF;   // sent first
    uint8_t high = 0xFF;
};

// Covers bytes 0 … lastIndex inclusive; lastIndex < 0 covers nothing and gives FF FF.
Crc Crc16(const QByteArray &bytes, int lastIndex);

// Appends the CRC of the whole array, low byte first.
void appendCrc(QByteArray &frame);

// True when the last two bytes are the CRC of the bytes before them.
bool crcMatches(const QByteArray &frame);
