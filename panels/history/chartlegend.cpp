#include "panels/history/chartlegend.h"
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
constexpr qreal kStroke = 22;     // the sample of the series' line
constexpr qreal kGap = 6;         // between the stroke and the name
constexpr qreal kColumnGap = 20;
constexpr qreal kRowGap = 2;
} // namespace

ChartLegend::ChartLegend(QGraphicsItem *parent) : QGraphicsItem(parent), m_font(QApplication::font())
{
    setZValue(5);
}

void ChartLegend::setEntries(const QVector<Entry> &entries)
{
    m_entries = entries;
    layOut(m_width);
}

qreal ChartLegend::layOut(qreal width)
{
    prepareGeometryChange();
    m_width = std::max(width, kStroke + kGap + 20);
    m_places.clear();
    const QFontMetricsF metrics(m_font);
    qreal widest = 0;
    for (const Entry &e : m_entries)
        widest = std::max(widest, std::ceil(metrics.horizontalAdvance(e.name)) + 1);
    // Equal columns, as many as fit; a single column as wide as the legend where even one does not.
    const qreal column = std::min(kStroke + kGap + widest, m_width);
    const int columns = std::max(1, int((m_width + kColumnGap) / (column + kColumnGap)));
    const qreal textWidth = column - kStroke - kGap;
    qreal y = 0;
    for (qsizetype first = 0; first < m_entries.size(); first += columns) {
        const qsizetype end = std::min<qsizetype>(first + columns, m_entries.size());
        qreal height = metrics.height();
        for (qsizetype i = first; i < end; ++i)
            height = std::max(height, metrics.boundingRect(QRectF(0, 0, textWidth, 1e6), TextFlags, m_entries[i].name).height());
        for (qsizetype i = first; i < end; ++i) {
            const qreal x = qreal(i - first) * (column + kColumnGap);
            m_places.append({QRectF(x, y, kStroke, height), QRectF(x + kStroke + kGap, y, textWidth, height)});
        }
        y += height + kRowGap;
    }
    m_height = m_entries.isEmpty() ? 0 : y - kRowGap;
    update();
    return m_height;
}

int ChartLegend::entryAt(const QPointF &pos) const
{
    for (qsizetype i = 0; i < m_places.size(); ++i)
        if (m_places[i].stroke.united(m_places[i].text).contains(pos))
            return int(i);
    return -1;
}

QRectF ChartLegend::boundingRect() const
{
    return QRectF(0, 0, m_width, m_height);
}

void ChartLegend::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->save();
    painter->setFont(m_font);
    for (qsizetype i = 0; i < m_places.size() && i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        const Place &p = m_places[i];
        const QColor grey(160, 160, 160);
        QPen stroke(e.shown ? e.colour : grey, 2.5);
        stroke.setCapStyle(Qt::FlatCap);
        painter->setPen(stroke);
        const qreal mid = p.stroke.top() + QFontMetricsF(m_font).height() / 2;  // beside the name's first line
        painter->drawLine(QPointF(p.stroke.left(), mid), QPointF(p.stroke.right(), mid));
        painter->setPen(e.shown ? QColor(Qt::black) : grey);
        painter->drawText(p.text, TextFlags, e.name);
    }
    painter->restore();
}
