#pragma once
#include <QVector>
#include <optional>

// One sensor's values over time, cut where readings are missing and thinned for drawing. A chart
// draws each segment as its own line: a gap shows as a gap, never as a line across it or a zero.
namespace view {

struct Sample {
    qint64 msecs = 0;                // time, milliseconds since the epoch
    std::optional<int> tenths;       // nothing: the recorder had no reading
};

struct Point {
    qint64 msecs = 0;
    int tenths = 0;
    bool operator==(const Point &) const = default;
};

using Segment = QVector<Point>;

// Records are missing between two neighbours further apart than this: twice the recording interval,
// and at least a minute more than one interval (the recorder's clock stamps whole minutes).
// intervalSecs below 1 (not known): 0, no gap is found by time.
qint64 gapMsecs(int intervalSecs);

// Samples in time order into segments. A segment ends before a missing reading (which belongs to
// none), at a gap, and where the time steps back (a clock set back); no segment is empty.
QVector<Segment> segments(const QVector<Sample> &samples, int intervalSecs);

// A segment for a chart of `columns` pixel columns spanning fromMsecs … toMsecs. With more points
// than columns, each column keeps its lowest and highest point, in time order, and the segment its
// first and last point: at most 2 × columns + 2 points, and no peak is lost. Otherwise, and for a
// span that is empty, the segment is returned as it is. Points outside the span count to the
// nearest edge column.
Segment decimate(const Segment &segment, int columns, qint64 fromMsecs, qint64 toMsecs);

// The same across the segment's own time span.
Segment decimate(const Segment &segment, int columns);

} // namespace view
