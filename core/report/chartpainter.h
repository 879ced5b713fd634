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
// a gap), its limits dashed lines in its colour, a limit beyond the value axis a note at the plot's
// edge ("▲ 上限 30.0"); the time axis ticks at round local times, the legend below the plot names
// every sensor in full.
namespace report {

// The chart's colour of the sensor at index i: hues a golden angle apart.
QColor sensorColour(int i);

struct ChartLine {
    QString name;                      // "1#传感器"
    QColor colour;
    QVector<view::Segment> segments;   // in time order
    std::optional<int> low, high;      // limits in tenths
    bool shown = true;                 // hidden: greyed in the legend, not drawn
};

struct Chart {
    QVector<ChartLine> lines;
    qint64 fromMsecs = 0, toMsecs = 0;       // the time across the plot
    std::optional<double> low, high;         // the value axis; nothing: fitted to the lines shown
    QFont font;                              // the ticks', notes' and legend's
};

// Where a legend entry went: the stroke of its colour and its name.
struct LegendPlace {
    QRectF stroke, text;
};
// Equal columns of entries, as many as width holds (a name wider than all of it wraps); *height gets
// the height they take. Coordinates from the legend's top left.
QVector<LegendPlace> legendPlaces(const QStringList &names, qreal width, const QFont &font, qreal *height);
constexpr int LegendTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
// Paints the legend's entries at places, offset by at.
void paintLegend(QPainter &painter, const QVector<LegendPlace> &places, const QVector<ChartLine> &lines, const QFont &font,
                 const QPointF &at = {});

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
