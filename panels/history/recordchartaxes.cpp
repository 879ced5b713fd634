#include "panels/history/recordchart.h"
#include "core/report/chartpainter.h"
#include <QCategoryAxis>
#include <QDateTime>
#include <QValueAxis>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <limits>

// The range in view: the data's full range, the zoom's bounds, the axes' ticks and formats, and the
// mapping between the widget's pixels and time and value.

namespace {
constexpr qint64 kMinSpan = 1000;           // the closest zoom: a second across the plot
constexpr qint64 kMaxSpan = 100LL * 365 * 86400 * 1000;
constexpr qint64 kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute, kDay = 24 * kHour;

// Ticks at round local times (the report's chart and this one tick alike).
using report::timeTicks;
using report::TimeTicks;
} // namespace

void RecordChart::resetZoom()
{
    qint64 from, to;
    double low, high;
    fullRange(&from, &to, &low, &high);
    m_zoomed = false;
    setView(from, to, low, high, false);
}

void RecordChart::zoomTo(qint64 fromMsecs, qint64 toMsecs)
{
    setView(fromMsecs, toMsecs, m_low, m_high, true);
}

void RecordChart::fullRange(qint64 *from, qint64 *to, double *low, double *high) const
{
    qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::min();
    int lo = std::numeric_limits<int>::max(), hi = std::numeric_limits<int>::min();
    for (const Sensor &s : m_sensors)
        for (const view::Segment &seg : s.data.segments) {
            if (seg.isEmpty())
                continue;
            first = std::min(first, seg.first().msecs);
            last = std::max(last, seg.last().msecs);
        }
    // The values of the sensors shown: a limit beyond them is noted at the axis' edge, not fitted in.
    for (const bool all : {false, true}) {
        for (const Sensor &s : m_sensors)
            for (const view::Segment &seg : s.data.segments)
                for (const view::Point &p : seg)
                    if (all || s.data.shown) {
                        lo = std::min(lo, p.tenths);
                        hi = std::max(hi, p.tenths);
                    }
        if (lo <= hi)
            break;  // with every sensor hidden, the values of all of them
    }
    if (first > last) {
        // Nothing to draw: the period of the title, or else the last hour; 0 … 100.
        last = m_headTo > m_headFrom ? m_headTo : QDateTime::currentMSecsSinceEpoch();
        first = m_headTo > m_headFrom ? m_headFrom : last - 3600 * 1000;
        lo = 0;
        hi = 1000;
    }
    if (last - first < 60 * 1000) {  // a lone reading sits in the middle of a minute
        const qint64 mid = first + (last - first) / 2;
        first = mid - 30 * 1000;
        last = mid + 30 * 1000;
    }
    *from = first;
    *to = last;
    // A margin above and below, so the extremes do not sit on the plot's edge.
    const double pad = hi > lo ? (hi - lo) / 10.0 * 0.05 : 1.0;
    *low = lo / 10.0 - pad;
    *high = hi / 10.0 + pad;
}

void RecordChart::setView(qint64 from, qint64 to, double low, double high, bool byUser)
{
    if (to < from)
        std::swap(from, to);
    if (to - from < kMinSpan) {
        const qint64 mid = from + (to - from) / 2;
        from = mid - kMinSpan / 2;
        to = from + kMinSpan;
    }
    if (to - from > kMaxSpan)
        return;
    if (high < low)
        std::swap(low, high);
    if (high - low < 0.1) {
        const double mid = (low + high) / 2;
        low = mid - 0.05;
        high = mid + 0.05;
    }
    m_from = from;
    m_to = to;
    m_low = low;
    m_high = high;
    if (byUser)
        m_zoomed = true;
    showAxes();
    m_time->setRange(double(from), double(to));
    updateTimeTicks();
    m_value->setRange(low, high);
    // Ticks at round values (1, 2 or 5 times a power of ten) without rounding the range: the range
    // is the one the mouse zoomed to.
    const double rough = (high - low) / 5, power = std::pow(10.0, std::floor(std::log10(rough)));
    const double step = power * (rough / power < 1.5 ? 1 : rough / power < 3.5 ? 2 : rough / power < 7.5 ? 5 : 10);
    m_value->setTickAnchor(0);
    m_value->setTickInterval(step);
    m_value->setLabelFormat(step < 0.1 ? QStringLiteral("%.2f") : step < 1 ? QStringLiteral("%.1f") : QStringLiteral("%.0f"));
    redraw();
    placeMarks();
    placeLimitNotes();
    updateTitle();
    emit viewChanged(from, to);
}

void RecordChart::updateTimeTicks()
{
    const TimeTicks ticks = timeTicks(m_from, m_to, std::clamp(int(chart()->plotArea().width() / 110), 2, 12));
    const QStringList old = m_time->categoriesLabels();
    for (const QString &label : old)
        m_time->remove(label);
    m_time->setStartValue(double(m_from));
    for (qint64 t : ticks.at)
        m_time->append(QDateTime::fromMSecsSinceEpoch(t).toString(ticks.format), double(t));
}

QRectF RecordChart::plotRect() const
{
    const QRectF plot = chart()->plotArea();
    return QRectF(mapFromScene(chart()->mapToScene(plot.topLeft())), plot.size());
}

qint64 RecordChart::timeAt(double x) const
{
    const QRectF plot = plotRect();
    return m_from + qint64(std::llround((x - plot.left()) / std::max(plot.width(), 1.0) * double(m_to - m_from)));
}

double RecordChart::valueAt(double y) const
{
    const QRectF plot = plotRect();
    return m_high - (y - plot.top()) / std::max(plot.height(), 1.0) * (m_high - m_low);
}

QPointF RecordChart::pixelOf(qint64 msecs, double units) const
{
    const QRectF plot = plotRect();
    return QPointF(plot.left() + double(msecs - m_from) / double(m_to - m_from) * plot.width(),
                   plot.top() + (m_high - units) / (m_high - m_low) * plot.height());
}
