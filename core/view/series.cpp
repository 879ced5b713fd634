#include "core/view/series.h"
#include <algorithm>

namespace view {

qint64 gapMsecs(int intervalSecs)
{
    if (intervalSecs < 1)
        return 0;
    return 1000 * std::max<qint64>(2 * qint64(intervalSecs), qint64(intervalSecs) + 60);
}

QVector<Segment> segments(const QVector<Sample> &samples, int intervalSecs)
{
    const qint64 gap = gapMsecs(intervalSecs);
    QVector<Segment> out;
    Segment current;
    const auto close = [&] {
        if (!current.isEmpty())
            out.append(std::move(current));
        current = Segment();
    };
    for (const Sample &s : samples) {
        if (!s.tenths) {
            close();
            continue;
        }
        if (!current.isEmpty()) {
            const qint64 step = s.msecs - current.last().msecs;
            if (step < 0 || (gap > 0 && step > gap))
                close();
        }
        current.append(Point{s.msecs, *s.tenths});
    }
    close();
    return out;
}

Segment decimate(const Segment &segment, int columns, qint64 fromMsecs, qint64 toMsecs)
{
    const qsizetype n = segment.size();
    if (columns < 1 || n <= columns || toMsecs <= fromMsecs)
        return segment;
    const qint64 span = toMsecs - fromMsecs;
    const auto column = [&](qint64 t) {
        // In double: a span of years in milliseconds times a wide chart still fits, and so does
        // a time far outside the span before it is clamped.
        const double c = double(t - fromMsecs) * columns / double(span);
        return int(std::clamp(c, 0.0, double(columns - 1)));
    };

    Segment out;
    out.reserve(2 * columns + 2);
    qsizetype start = 0;
    while (start < n) {
        const int c = column(segment[start].msecs);
        qsizetype lo = start, hi = start, end = start + 1;
        for (; end < n && column(segment[end].msecs) == c; ++end) {
            if (segment[end].tenths < segment[lo].tenths)
                lo = end;
            if (segment[end].tenths > segment[hi].tenths)
                hi = end;
        }
        // The points kept in this column, in time order: its extremes, and the segment's ends.
        qsizetype keep[] = {lo, hi, start == 0 ? 0 : lo, end == n ? n - 1 : hi};
        std::sort(std::begin(keep), std::end(keep));
        const auto last = std::unique(std::begin(keep), std::end(keep));
        for (auto k = std::begin(keep); k != last; ++k)
            out.append(segment[*k]);
        start = end;
    }
    return out;
}

Segment decimate(const Segment &segment, int columns)
{
    if (segment.isEmpty())
        return segment;
    return decimate(segment, columns, segment.first().msecs, segment.last().msecs);
}

} // namespace view
