#include "panels/history/chartlegend.h"
#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

ChartLegend::ChartLegend(QGraphicsItem *parent) : QGraphicsItem(parent), m_font(QApplication::font())
{
    setZValue(5);
}

void ChartLegend::setEntries(const QVector<Entry> &entries)
{
    m_entries = entries;
    layOut(m_width, m_maxHeight);
}

qreal ChartLegend::layOut(qreal width, qreal maxHeight)
{
    prepareGeometryChange();
    m_width = std::max(width, qreal(48));  // a stroke, its gap and a little text
    m_maxHeight = maxHeight;
    QStringList names;
    for (const Entry &e : m_entries)
        names << e.name;
    m_places = report::legendPlaces(names, m_width, m_font, &m_height, m_maxHeight);
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
    QVector<report::ChartLine> lines;
    for (const Entry &e : m_entries)
        lines.append({e.name, e.colour, {}, {}, {}, e.shown});
    report::paintLegend(*painter, m_places, lines, m_font);
}
