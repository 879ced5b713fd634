#pragma once
#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

// Decoding of live-read replies: register words to the values the twenty boxes show.
namespace live {

// The value of a box for a register word, in tenths of a unit (convert::registerValue): what the box
// shows and what the live trend draws.
int wordTenths(uint16_t word);

// The text of a box for a register word: wordTenths in the "#00.0" pattern of convert::tenthsText
// (235 → "23.5", 5 → "00.5", −10 → "-01.0", −25535 → "-2553.5").
QString wordText(uint16_t word);
// A word as a reading compared with limits: its tenths as the box shows them, nothing for 65535 (the
// word a sensor without a reading gives).
std::optional<int> wordReading(uint16_t word);

// The registers a read reply carries for its request.
struct ReplyWords {
    // True when the reply is a frame of the device and function asked with a matching CRC;
    // false for anything else (nothing, an exception, a bad CRC, another sender, a torn frame).
    bool decodable = false;
    // The register words present, at most as many as asked. Fewer than asked only when the device
    // sent a consistent but shorter frame: a register whose two bytes did not both come is absent.
    QVector<uint16_t> words;
    int asked = 0;  // registers the request asked for
};

// request: the eight-byte read request (function 03 or 04). A reply that classifies as valid is
// read whole (bytes after its CRC are ignored). Otherwise a reply of at least six bytes is still
// read when the CRC over all its bytes matches, its address and function are the ones asked, its
// byte count agrees with its length and it holds no more registers than asked.
ReplyWords replyWords(const QByteArray &request, const QByteArray &reply);

} // namespace live
