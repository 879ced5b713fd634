#pragma once
#include "core/view/series.h"
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// The record chart drawn with a QPainter on any paint device: the report's page, and the window's
// chart as a picture, a PDF and a print. Each sensor's segments are lines of its own (no line crosses
// a gap), its limits dashed lines in its colour, each labelled (a limit beyond the value axis as a
// note at the plot's edge, "▲ 上限 30.0"); the value axis is titled with the units shown, the time
// axis ticks at round local times, the legend below the plot names every sensor shown in full.
namespace report {

// The chart's colour of the sensor at index i: twenty colours apart from each other on white, then
// again from the first.
QColor sensorColour(int i);

struct ChartLine {
    QString name;                      // "1#传感器"
    QColor colour;
    QVector<view::Segment> segments;   // in time order
    std::optional<int> low, high;      // limits in tenths
    bool shown = true;                 // hidden: neither drawn nor in the legend
    QString unit;                      // "℃"; the value axis is titled with the units of the lines shown
};
// The value axis' title: the distinct units of the lines shown, in their order ("℃ / %RH").
QString unitTitle(const QVector<ChartLine> &lines);

struct Chart {
    QVector<ChartLine> lines;
    qint64 fromMsecs = 0, toMsecs = 0;       // the time across the plot
    std::optional<double> low, high;         // the value axis; nothing: fitted to the lines shown
    QFont font;                              // the ticks', notes' and legend's
};

// Where a legend entry went: the stroke of its colour and its name; elided: the name is cut to its
// room with "…" (the legend had to keep within its height).
struct LegendPlace {
    QRectF stroke, text;
    bool elided = false;
};
// Equal columns of entries, as many as width holds (a name wider than all of it wraps); *height gets
// the height they take. Where that is more than maxHeight, the entries go in as many rows as
// maxHeight holds (one at least), one line each, their names elided to their columns. Coordinates
// from the legend's top left.
QVector<LegendPlace> legendPlaces(const QStringList &names, qreal width, const QFont &font, qreal *height,
                                  qreal maxHeight = 1e9);
constexpr int LegendTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
// Paints the legend's entries at places, offset by at: places[i] is lines[i]'s.
void paintLegend(QPainter &painter, const QVector<LegendPlace> &places, const QVector<ChartLine> &lines, const QFont &font,
                 const QPointF &at = {});

// The labels of the shown lines' limits on a plot showing low … high: a limit in range is named at
// the plot's right end, on its line ("上限 30.0"), one beyond the range at the edge it lies past
// ("▲ 上限 30.0"). Lines sharing a limit share its label (grey); labels never overlap. rect: where
// the text goes; names: the lines it labels.
struct LimitLabel {
    QString text;
    QColor colour;
    QRectF rect;
    QStringList names;
};
QVector<LimitLabel> limitLabels(const QVector<ChartLine> &lines, const QRectF &plot, double low, double high, const QFont &font);

// Ticks at round local times, at most `most` of them in from … to, and their labels' format: whole
// seconds, minutes or hours from midnight, or midnights; the labels carry the date when from and to
// are not on the same day (the year when not in the same year).
struct TimeTicks {
    QVector<qint64> at;
    QString format;
};
TimeTicks timeTicks(qint64 from, qint64 to, int most);

// Draws chart into target (the plot, its axes and the legend below) and returns where the legend's
// entries went, in the painter's coordinates.
QVector<LegendPlace> paintChart(QPainter &painter, const QRectF &target, const Chart &chart);

} // namespace report
