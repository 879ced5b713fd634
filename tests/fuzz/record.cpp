// Record texts. First byte: the sensor count; the rest is a read reply.
#include "../hexbytes.h"
#include "fuzzcheck.h"
#include "core/link/hex.h"
#include "core/records/record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray in = fuzzBytes(data, size);
    if (in.isEmpty())
        return 0;
    const int sensors = uint8_t(in[0]) % 32;
    const QByteArray reply = in.mid(1);

    QByteArray back;
    FUZZ_CHECK(parseHexBytes(hexText(reply), back) && back == reply);
    const QString text = reply.size() < 6 ? QString() : hexText(reply.mid(3).chopped(2));  // the data bytes: all but 3 in front and the CRC
    FUZZ_CHECK(parseHexBytes(text, back) && back == (reply.size() < 6 ? QByteArray() : reply.mid(3).chopped(2)));

    // A line for every record holding N words, with N values or N + 8.
    const QString line = records::decodedLine(records::Record{1, back}, sensors);
    FUZZ_CHECK(line.isEmpty() == (back.size() < 2 * sensors + 6));
    if (!line.isEmpty()) {
        FUZZ_CHECK(line.endsWith(QStringLiteral("\r\n")));
        const qsizetype values = line.count(QLatin1Char('.'));
        FUZZ_CHECK(values == sensors || values == sensors + 8);
    }
    return 0;
}
