#include "core/report/chartpainter.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QMap>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace report {

namespace {
constexpr qreal kStroke = 22;     // the legend's sample of the series' line
constexpr qreal kGap = 6;         // between the stroke and the name
constexpr qreal kColumnGap = 20;
constexpr qreal kRowGap = 2;
constexpr qint64 kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute, kDay = 24 * kHour;

// The value axis: the values of the lines shown (of all of them when none is), a margin above and
// below so the extremes do not sit on the plot's edge.
std::pair<double, double> fittedValues(const Chart &c)
{
    int lo = std::numeric_limits<int>::max(), hi = std::numeric_limits<int>::min();
    for (const bool all : {false, true}) {
        for (const ChartLine &line : c.lines)
            for (const view::Segment &seg : line.segments)
                for (const view::Point &p : seg)
                    if (all || line.shown) {
                        lo = std::min(lo, p.tenths);
                        hi = std::max(hi, p.tenths);
                    }
        if (lo <= hi)
            break;
    }
    if (lo > hi)
        return {0, 100};
    const double pad = hi > lo ? (hi - lo) / 10.0 * 0.05 : 1.0;
    return {lo / 10.0 - pad, hi / 10.0 + pad};
}

// Round value steps (1, 2 or 5 times a power of ten), about five across the range.
double valueStep(double low, double high)
{
    const double rough = (high - low) / 5, power = std::pow(10.0, std::floor(std::log10(rough)));
    return power * (rough / power < 1.5 ? 1 : rough / power < 3.5 ? 2 : rough / power < 7.5 ? 5 : 10);
}

struct Frame {
    QRectF plot;
    qint64 from, to;
    double low, high;
    QPointF at(qint64 msecs, double units) const
    {
        return {plot.left() + double(msecs - from) / double(to - from) * plot.width(),
                plot.top() + (high - units) / (high - low) * plot.height()};
    }
};

void paintAxes(QPainter &p, const Frame &f, const QFont &font)
{
    const QFontMetricsF fm(font);
    p.setFont(font);
    const double step = valueStep(f.low, f.high);
    const int decimals = step < 0.1 ? 2 : step < 1 ? 1 : 0;
    for (double v = std::ceil(f.low / step) * step; v <= f.high + step * 1e-9; v += step) {
        const qreal y = f.at(f.from, v).y();
        p.setPen(QPen(QColor(225, 225, 225), 1));
        p.drawLine(QPointF(f.plot.left(), y), QPointF(f.plot.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, y - fm.height() / 2, f.plot.left() - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(std::abs(v) < step * 1e-9 ? 0.0 : v, 'f', decimals));
    }
    const TimeTicks ticks = timeTicks(f.from, f.to, std::clamp(int(f.plot.width() / 110), 2, 12));
    for (qint64 t : ticks.at) {
        const qreal x = f.at(t, f.low).x();
        p.setPen(QPen(QColor(225, 225, 225), 1));
        p.drawLine(QPointF(x, f.plot.top()), QPointF(x, f.plot.bottom()));
        p.setPen(Qt::black);
        const QString label = QDateTime::fromMSecsSinceEpoch(t).toString(ticks.format);
        const qreal w = fm.horizontalAdvance(label) + 2;
        p.drawText(QRectF(x - w / 2, f.plot.bottom() + 4, w, fm.height()), Qt::AlignCenter, label);
    }
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.drawRect(f.plot);
}

void paintLines(QPainter &p, const Frame &f, const QVector<ChartLine> &lines)
{
    p.save();
    p.setClipRect(f.plot);
    for (const ChartLine &line : lines) {
        if (!line.shown)
            continue;
        for (const std::optional<int> &limit : {line.low, line.high})
            if (limit) {
                p.setPen(QPen(line.colour, 1, Qt::DashLine));
                const qreal y = f.at(f.from, *limit / 10.0).y();
                p.drawLine(QPointF(f.plot.left(), y), QPointF(f.plot.right(), y));
            }
        p.setPen(QPen(line.colour, 1.5));
        for (const view::Segment &seg : line.segments) {
            QPolygonF points;
            points.reserve(seg.size());
            for (const view::Point &pt : seg)
                points << f.at(pt.msecs, pt.tenths / 10.0);
            if (points.size() == 1)
                p.drawPoint(points.first());
            else
                p.drawPolyline(points);
        }
    }
    p.restore();
}

void paintLimitLabels(QPainter &p, const Frame &f, const QVector<ChartLine> &lines, const QFont &font)
{
    p.setFont(font);
    for (const LimitLabel &label : limitLabels(lines, f.plot, f.low, f.high, font)) {
        p.fillRect(label.rect, QColor(255, 255, 255, 210));  // readable over the lines it sits on
        p.setPen(label.colour);
        p.drawText(label.rect, Qt::AlignLeft | Qt::AlignVCenter, label.text);
    }
}
} // namespace

QColor sensorColour(int i)
{
    // Dark enough on white, and far enough apart that no two are taken for each other.
    static constexpr QRgb colours[] = {0x1f5fd0, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b, 0xe377c2, 0x17a2b8,
                                       0xa0a000, 0x000075, 0x800000, 0x469990, 0xf032e6, 0x6b8e23, 0x7f7f7f, 0x000000,
                                       0xd4a017, 0x5f9ea0, 0xbc8f8f, 0x4b0082};
    return QColor(colours[std::abs(i) % int(std::size(colours))]);
}

QString unitTitle(const QVector<ChartLine> &lines)
{
    QStringList units;
    for (const ChartLine &line : lines)
        if (line.shown && !line.unit.isEmpty() && !units.contains(line.unit))
            units << line.unit;
    return units.join(QStringLiteral(" / "));
}

QVector<LimitLabel> limitLabels(const QVector<ChartLine> &lines, const QRectF &plot, double low, double high, const QFont &font)
{
    // (beyond the range: -1 below, 1 above, 0 in it; a high limit; tenths) → its label
    QMap<std::tuple<int, bool, int>, LimitLabel> grouped;
    for (const ChartLine &line : lines)
        for (const auto &[limit, isHigh] : {std::pair{line.low, false}, std::pair{line.high, true}}) {
            if (!line.shown || !limit)
                continue;
            const double v = *limit / 10.0;
            LimitLabel &label = grouped[{v > high ? 1 : v < low ? -1 : 0, isHigh, *limit}];
            label.names << line.name;
            label.colour = label.names.size() == 1 ? line.colour : QColor(60, 60, 60);
        }
    const QFontMetricsF fm(font);
    const qreal h = fm.height();
    QVector<LimitLabel> out;
    for (auto it = grouped.begin(); it != grouped.end(); ++it) {
        const auto [side, isHigh, tenths] = it.key();
        LimitLabel label = it.value();
        const QString kind = isHigh ? QCoreApplication::translate("RecordChart", "上限") : QCoreApplication::translate("RecordChart", "下限");
        label.text = QStringLiteral("%1 %2").arg(kind, QString::number(tenths / 10.0, 'f', 1));
        if (side != 0)
            label.text.prepend(side > 0 ? QStringLiteral("▲ ") : QStringLiteral("▼ "));
        const qreal w = fm.horizontalAdvance(label.text) + 2;
        qreal top = side > 0 ? plot.top() + 2 : side < 0 ? plot.bottom() - h - 2 : 0;
        if (side == 0) {
            // Above a high limit's line, below a low one's, and inside the plot.
            const qreal y = plot.top() + (high - tenths / 10.0) / (high - low) * plot.height();
            top = std::max(plot.top() + 1, std::min(isHigh ? y - h - 1 : y + 1, plot.bottom() - h - 1));  // a plot lower than a line: its top
        }
        // Leftwards of every label it would overlap.
        qreal right = plot.right() - 4;
        for (bool moved = true; moved;) {
            moved = false;
            for (const LimitLabel &other : out)
                if (QRectF(right - w, top, w, h).intersects(other.rect) && right > other.rect.left() - 8) {
                    right = other.rect.left() - 8;
                    moved = true;
                }
        }
        label.rect = QRectF(right - w, top, w, h);
        out.append(label);
    }
    return out;
}

QVector<LegendPlace> legendPlaces(const QStringList &names, qreal width, const QFont &font, qreal *height, qreal maxHeight)
{
    QVector<LegendPlace> places;
    width = std::max(width, kStroke + kGap + 20);
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (const QString &name : names)
        widest = std::max(widest, std::ceil(metrics.horizontalAdvance(name)) + 1);
    // Equal columns, as many as fit; a single column as wide as the legend where even one does not.
    const qreal column = std::min(kStroke + kGap + widest, width);
    const int columns = std::max(1, int((width + kColumnGap) / (column + kColumnGap)));
    const qreal textWidth = column - kStroke - kGap;
    qreal y = 0;
    for (qsizetype first = 0; first < names.size(); first += columns) {
        const qsizetype end = std::min<qsizetype>(first + columns, names.size());
        qreal rowHeight = metrics.height();
        for (qsizetype i = first; i < end; ++i)
            rowHeight = std::max(rowHeight, metrics.boundingRect(QRectF(0, 0, textWidth, 1e6), LegendTextFlags, names[i]).height());
        for (qsizetype i = first; i < end; ++i) {
            const qreal x = qreal(i - first) * (column + kColumnGap);
            places.append({QRectF(x, y, kStroke, rowHeight), QRectF(x + kStroke + kGap, y, textWidth, rowHeight)});
        }
        y += rowHeight + kRowGap;
    }
    *height = names.isEmpty() ? 0 : y - kRowGap;
    if (*height <= maxHeight)
        return places;
    // Too tall: as many rows as the height holds, the columns narrower, one line a name.
    const qreal line = metrics.height();
    const int rows = std::max(1, int((maxHeight + kRowGap) / (line + kRowGap)));
    const int across = int((names.size() + rows - 1) / rows);
    const qreal narrow = std::max(kStroke + kGap + 20, (width + kColumnGap) / across - kColumnGap);
    places.clear();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const qreal x = qreal(i % across) * (narrow + kColumnGap), top = qreal(i / across) * (line + kRowGap);
        const QRectF text(x + kStroke + kGap, top, narrow - kStroke - kGap, line);
        places.append({QRectF(x, top, kStroke, line), text, metrics.horizontalAdvance(names[i]) > text.width()});
    }
    *height = qreal((names.size() + across - 1) / across) * (line + kRowGap) - kRowGap;
    return places;
}

void paintLegend(QPainter &painter, const QVector<LegendPlace> &places, const QVector<ChartLine> &lines, const QFont &font,
                 const QPointF &at)
{
    painter.save();
    painter.setFont(font);
    const QColor grey(160, 160, 160);
    for (qsizetype i = 0; i < places.size() && i < lines.size(); ++i) {
        const ChartLine &e = lines[i];
        const QRectF stroke = places[i].stroke.translated(at), text = places[i].text.translated(at);
        QPen pen(e.shown ? e.colour : grey, 2.5);
        pen.setCapStyle(Qt::FlatCap);
        painter.setPen(pen);
        const qreal mid = stroke.top() + QFontMetricsF(font).height() / 2;  // beside the name's first line
        painter.drawLine(QPointF(stroke.left(), mid), QPointF(stroke.right(), mid));
        painter.setPen(e.shown ? QColor(Qt::black) : grey);
        if (places[i].elided)
            painter.drawText(text, Qt::AlignLeft | Qt::AlignTop, QFontMetricsF(font).elidedText(e.name, Qt::ElideRight, text.width()));
        else
            painter.drawText(text, LegendTextFlags, e.name);
    }
    painter.restore();
}

TimeTicks timeTicks(qint64 from, qint64 to, int most)
{
    static constexpr qint64 steps[] = {kSecond, 2 * kSecond, 5 * kSecond, 10 * kSecond, 15 * kSecond, 30 * kSecond,
                                       kMinute, 2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute,
                                       kHour, 2 * kHour, 3 * kHour, 6 * kHour, 12 * kHour, kDay, 2 * kDay, 7 * kDay,
                                       14 * kDay, 28 * kDay, 91 * kDay, 182 * kDay, 364 * kDay, 728 * kDay,
                                       1820 * kDay, 3640 * kDay, 7280 * kDay, 14560 * kDay};
    qint64 step = steps[std::size(steps) - 1];
    for (qint64 candidate : steps)
        if ((to - from) / candidate < most) {
            step = candidate;
            break;
        }
    const QDate first = QDateTime::fromMSecsSinceEpoch(from).date(), last = QDateTime::fromMSecsSinceEpoch(to).date();
    TimeTicks out;
    if (step >= kDay) {
        // Midnights of every n-th day counted from a fixed day, so panning keeps the same days.
        const qint64 n = step / kDay;
        for (QDate day = first.addDays((n - first.toJulianDay() % n) % n); day <= last; day = day.addDays(n))
            if (const qint64 t = QDateTime(day, QTime(0, 0)).toMSecsSinceEpoch(); t >= from && t <= to)
                out.at.append(t);
    } else {
        for (QDate day = first; day <= last; day = day.addDays(1)) {
            const qint64 midnight = QDateTime(day, QTime(0, 0)).toMSecsSinceEpoch();
            const qint64 end = std::min(to, QDateTime(day.addDays(1), QTime(0, 0)).toMSecsSinceEpoch() - 1);
            for (qint64 t = midnight + std::max<qint64>(0, (from - midnight) / step * step); t <= end; t += step)
                if (t >= from)
                    out.at.append(t);
        }
    }
    const QString date = first.year() == last.year() ? QStringLiteral("MM-dd") : QStringLiteral("yyyy-MM-dd");
    const QString time = step < kMinute ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    out.format = step >= kDay ? date : first == last ? time : date + QLatin1Char(' ') + time;
    return out;
}

QVector<LegendPlace> paintChart(QPainter &painter, const QRectF &target, const Chart &chart)
{
    // The legend: the lines shown.
    QStringList names;
    QVector<ChartLine> shown;
    for (const ChartLine &line : chart.lines)
        if (line.shown) {
            names << line.name;
            shown.append(line);
        }
    qreal legendHeight = 0;
    const QVector<LegendPlace> places = legendPlaces(names, target.width(), chart.font, &legendHeight);
    const auto [fitLow, fitHigh] = fittedValues(chart);
    Frame f{{}, chart.fromMsecs, std::max(chart.toMsecs, chart.fromMsecs + 1), chart.low.value_or(fitLow),
            chart.high.value_or(fitHigh)};
    if (f.high - f.low < 0.1) {
        const double mid = (f.low + f.high) / 2;
        f.low = mid - 0.05;
        f.high = mid + 0.05;
    }
    const QFontMetricsF fm(chart.font);
    const QString unit = unitTitle(chart.lines);
    const qreal title = unit.isEmpty() ? 0 : fm.height() + 4;  // the units, turned up the axis
    const qreal labels = fm.horizontalAdvance(QStringLiteral("-0000.00")) + 10 + title;
    const qreal below = fm.height() + 10 + (legendHeight > 0 ? legendHeight + 10 : 0);
    f.plot = QRectF(target.left() + labels, target.top() + 8, target.width() - labels - 16, target.height() - 8 - below);
    if (f.plot.width() < 10 || f.plot.height() < 10)
        return {};
    painter.save();
    // The value labels sit left of the plot: their box starts at the target's left.
    painter.translate(target.left(), 0);
    f.plot.translate(-target.left(), 0);
    paintAxes(painter, f, chart.font);
    if (!unit.isEmpty()) {
        painter.save();
        painter.translate(0, f.plot.center().y());
        painter.rotate(-90);
        painter.drawText(QRectF(-f.plot.height() / 2, 0, f.plot.height(), fm.height()), Qt::AlignCenter, unit);
        painter.restore();
    }
    paintLines(painter, f, chart.lines);
    paintLimitLabels(painter, f, chart.lines, chart.font);
    painter.restore();
    const QPointF at(target.left(), target.bottom() - legendHeight);
    paintLegend(painter, places, shown, chart.font, at);
    QVector<LegendPlace> placed;
    for (const LegendPlace &p : places)
        placed.append({p.stroke.translated(at), p.text.translated(at)});
    return placed;
}

} // namespace report
