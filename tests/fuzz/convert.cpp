// Box texts to request numbers. First byte picks the range, the rest is the text (UTF-8).
#include "fuzzcheck.h"
#include "core/link/convert.h"
#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray in = fuzzBytes(data, size);
    if (in.isEmpty())
        return 0;
    // The ranges the boxes use, and two degenerate ones.
    static const long long ranges[][2] = {{0, 255}, {1, 255}, {-32768, 32767}, {0, 65535}, {0, 125}, {50, 4000000}, {-5, -5}, {10, 1}};
    const auto &[lo, hi] = ranges[uint8_t(in[0]) % std::size(ranges)];
    const QString text = QString::fromUtf8(in.mid(1));

    using convert::Rounding;
    const auto nearest = convert::toWhole(text, lo, hi, Rounding::NearestEven);
    const auto floor = convert::toWhole(text, lo, hi, Rounding::Floor);
    const auto whole = convert::toWhole(text, lo, hi, Rounding::WholeOnly);
    for (const auto &v : {nearest, floor, whole})
        FUZZ_CHECK(!v || (lo <= *v && *v <= hi));
    // Rounding moves a value by less than one; a whole number is the same however it is rounded.
    FUZZ_CHECK(!nearest || !floor || *nearest - *floor == 0 || *nearest - *floor == 1);
    FUZZ_CHECK(!whole || (nearest == whole && floor == whole));

    // A fraction other than zero is never whole, however many digits it has.
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const QString after = point < 0 ? QString() : text.mid(point + 1);
    const bool fraction = std::any_of(after.begin(), after.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    if (fraction)
        FUZZ_CHECK(!whole && !convert::deviceAddress(text));
    if (const auto a = convert::deviceAddress(text))
        FUZZ_CHECK(*a >= 1);
    return 0;
}
