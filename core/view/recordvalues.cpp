#include "core/view/recordvalues.h"
#include "core/export/recordparser.h"
#include "core/link/convert.h"
#include "core/records/recorddecode.h"

namespace view {

std::optional<int> wordValue(int word)
{
    if (word == records::NoValue9999 || word == records::NoValue8888)
        return std::nullopt;
    return records::signedTenths(word);
}

std::optional<RecordValues> recordValues(const QByteArray &data, int sensors)
{
    if (!records::isRecordData(data, sensors))
        return std::nullopt;
    const auto byte = [&](int i) { return int(uint8_t(data[i])); };
    const auto bcd = [&](int i) { return (byte(i) >> 4) * 10 + (byte(i) & 0x0F); };
    const QDate date(2000 + bcd(1), bcd(2), bcd(3));
    if (!date.isValid())
        return std::nullopt;  // isRecordData allows day 31 in every month
    RecordValues r;
    r.time = QDateTime(date, QTime(bcd(4), bcd(5)));
    r.tenths.reserve(sensors);
    for (int j = 0; j < sensors; ++j)
        r.tenths.append(wordValue(byte(6 + 2 * j) * 256 + byte(7 + 2 * j)));
    return r;
}

QString valueText(std::optional<int> tenths)
{
    return tenths ? convert::tenthsText(*tenths) : QString();
}

} // namespace view
