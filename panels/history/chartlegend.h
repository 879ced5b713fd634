#pragma once
#include "core/report/chartpainter.h"
#include <QColor>
#include <QFont>
#include <QGraphicsItem>
#include <QString>
#include <QVector>

// The chart's legend: every series by its full name beside a stroke of its colour, in as many equal
// columns as the width holds; a name wider than the whole width wraps onto more lines. Held to a
// height, it cuts names short instead (their entries elided). The window paints it through paint().
class ChartLegend : public QGraphicsItem {
public:
    struct Entry {
        QString name;
        QColor colour;
        bool shown = true;
        bool operator==(const Entry &) const = default;
    };
    using Place = report::LegendPlace;  // in the legend's coordinates

    explicit ChartLegend(QGraphicsItem *parent = nullptr);

    // The entries anew, laid out across the width of the last layOut().
    void setEntries(const QVector<Entry> &entries);
    const QVector<Entry> &entries() const { return m_entries; }
    // Lays the entries out across width, in at most maxHeight, and returns the height they take.
    qreal layOut(qreal width, qreal maxHeight = 1e9);
    const QVector<Place> &places() const { return m_places; }
    // The entry at pos (the legend's coordinates); -1 where there is none.
    int entryAt(const QPointF &pos) const;
    // How each name is broken and aligned in its text rectangle.
    static constexpr int TextFlags = report::LegendTextFlags;

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QFont m_font;
    QVector<Entry> m_entries;
    QVector<Place> m_places;
    qreal m_width = 0, m_height = 0, m_maxHeight = 1e9;
};
