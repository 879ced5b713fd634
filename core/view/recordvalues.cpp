#include "core/view/recordvalues.h"
#include "core/link/convert.h"
#include "core/records/record.h"

namespace view {

std::optional<RecordValues> recordValues(const QByteArray &data, int sensors)
{
    if (!records::isRecordData(data, sensors))
        return std::nullopt;
    const records::Record record{0, data};
    const auto time = record.time();
    if (!time)
        return std::nullopt;  // isRecordData allows day 31 in every month
    RecordValues r;
    r.time = *time;
    r.tenths.reserve(sensors);
    for (int j = 0; j < sensors; ++j)
        r.tenths.append(record.value(j));
    return r;
}

QString valueText(std::optional<int> tenths)
{
    return tenths ? convert::tenthsText(*tenths) : QString();
}

} // namespace view
