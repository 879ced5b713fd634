#pragma once
#include "core/view/series.h"
#include "panels/history/chartlegend.h"
#include <QChartView>
#include <QDateTime>
#include <QPair>
#include <QVector>
#include <functional>
#include <optional>

class QCategoryAxis;
class QGraphicsEllipseItem;
class QGraphicsLineItem;
class QGraphicsSimpleTextItem;
class QLabel;
class QLineSeries;
class QPrinter;
class QRubberBand;
class QTimer;
class QValueAxis;

// A chart of sensors' values over time, in units (the data is in tenths), titled with the recorder
// and the period in view. Each sensor shown has one colour and one entry in the legend below the
// plot, named in full where the legend can take a fifth of the chart's height, else cut short with
// the full name on hover; each of its segments is a line of its own, so no line crosses a gap. It draws at most about
// two points per pixel column of what is in view and thins again from the full data after every
// zoom, pan or resize. The value axis fits the data shown and names its units; each limit line is
// labelled at its right end, and a limit beyond the axis is noted at the plot's edge ("▲ 上限 30.0")
// instead of squeezing the data. The time axis ticks at round times,
// with the date on each tick when the view crosses midnight.
//
// Mouse: drag a rectangle to zoom in, the wheel zooms the time around the cursor, the right or
// middle button drags the view, a double click shows all, a click on a legend entry hides or shows
// its sensor. Keys: arrows move the view, + and − zoom the time, Home shows all. Moving over the
// chart reads out the nearest value.
class RecordChart : public QChartView {
    Q_OBJECT
public:
    struct ChartSeries {
        QString name;                      // "1#传感器"
        QVector<view::Segment> segments;   // in time order
        std::optional<int> low, high;      // the sensor's limits in tenths, drawn as dashed lines
        bool shown = true;                 // hidden: neither drawn nor in the legend
        QString unit;                      // "℃": the value axis names the units shown
    };

    explicit RecordChart(QWidget *parent = nullptr);
    ~RecordChart() override;

    // Replaces what is drawn (a legend click hides a sensor until the next call says otherwise). keepView: a view the user zoomed or moved stays where it is (a live
    // trend that grows); otherwise, and while the user has not zoomed, the view shows all the data.
    void setSeries(const QVector<ChartSeries> &series, bool keepView = false);

    // The whole data again, and the view follows the data from here on.
    void resetZoom();
    // Shows fromMsecs … toMsecs of the time (the value range is kept); the user's zoom.
    void zoomTo(qint64 fromMsecs, qint64 toMsecs);
    QPair<qint64, qint64> timeRange() const { return {m_from, m_to}; }
    QPair<double, double> valueRange() const { return {m_low, m_high}; }
    bool zoomed() const { return m_zoomed; }
    // What the title and the pages name: the view once zoomed, else the heading's period.
    QPair<qint64, qint64> shownPeriod() const;

    // Vertical lines at these times (the rows picked in a table); none for an empty vector. Each is
    // a line item of the chart with data(0) "mark".
    void setMarks(const QVector<qint64> &msecs);

    // The title: the recorder and the period, "冷库一号  2026-11-08 00:00 至 2026-12-08 00:00".
    void setHeading(const QString &recorder, qint64 fromMsecs, qint64 toMsecs);
    static QString periodText(qint64 fromMsecs, qint64 toMsecs);
    // What the plot says while it has nothing to draw ("所选时段没有记录"); without a heading the
    // axes are hidden then, rather than showing a period nobody chose.
    void setPlaceholder(const QString &text);
    QString placeholder() const { return m_placeholder->isVisible() ? m_placeholder->text() : QString(); }
    // Where "made on" of a page is read; the PC's clock unless set.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    const ChartLegend &legend() const { return *m_legend; }

    // The chart as a landscape page below a title block (the recorder, the period, when it was made),
    // legend included, written whole or not at all: a failure leaves an earlier file as it was and
    // *error says, naming the file, why. The PNG is PngSize; the PDF and the print fill the page.
    static constexpr QSize PngSize{1600, 1000};
    bool savePng(const QString &path, QString *error);
    bool savePdf(const QString &path, QString *error);
    bool print(QPrinter *printer, QString *error);
    // The chart with its legend (no title) laid out at target's size and drawn there: a report's page.
    void renderChart(QPainter &painter, const QRectF &target);
    // Where the last file or print put the legend's entries, in its pixels (96 dpi).
    const QVector<ChartLegend::Place> &pageLegend() const { return m_pageLegend; }

    // The read-out for a point of the widget: the time, the sensor nearest to it and its value
    // ("2024-01-02 03:04  3#传感器 23.5"); empty where nothing is near.
    QString readOut(const QPoint &pos) const;

signals:
    void viewChanged(qint64 fromMsecs, qint64 toMsecs);
    void cursorText(const QString &text);
    // A click on the legend hid or showed the sensor at index of the last setSeries().
    void seriesToggled(int index, bool shown);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Sensor {
        ChartSeries data;
        QVector<QLineSeries *> lines;  // lines[0] carries the legend entry
        QVector<QLineSeries *> limits; // its low and high limit across the view, when it has them
    };
    void drawLimits(int index, Sensor &s);
    void placeLimitNotes();   // the limits' labels: on their lines, or beyond the axis at its edge
    void updateTitle();       // the recorder and the period in view
    void updateLegend();
    void layOutLegend();      // below the plot, across the chart's width
    void toggle(int index);
    struct Nearest {
        int sensor = -1;
        view::Point point;
    };

    void setView(qint64 from, qint64 to, double low, double high, bool byUser);
    void fullRange(qint64 *from, qint64 *to, double *low, double *high) const;
    void redraw();
    void placeMarks();
    void updateTimeTicks();
    void relayOut();          // the ticks, lines and marks for the plot as it is laid out now
    Nearest nearest(const QPoint &pos) const;
    QString text(const Nearest &n) const;
    QRectF plotRect() const;            // the plot area in widget pixels
    qint64 timeAt(double x) const;      // widget x to time
    double valueAt(double y) const;
    QPointF pixelOf(qint64 msecs, double units) const;
    void paintPage(QPainter &painter, const QRectF &page);  // page: in pixels of 96 dpi
    QStringList headingLines() const;

    QCategoryAxis *m_time;
    QValueAxis *m_value;
    ChartLegend *m_legend;
    QVector<Sensor> m_sensors;
    QVector<qint64> m_marks;
    QVector<QGraphicsLineItem *> m_markLines;
    QVector<QGraphicsSimpleTextItem *> m_limitNotes;
    QVector<ChartLegend::Place> m_pageLegend;
    QVector<int> m_legendSensors;  // the sensor of each legend entry
    QString m_recorder;
    qint64 m_headFrom = 0, m_headTo = 0;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    bool empty() const;       // no sensor has a reading
    void showAxes();          // the axes, unless there is neither a reading nor a heading
    void placePlaceholder();
    QGraphicsSimpleTextItem *m_placeholder;
    QGraphicsEllipseItem *m_dot;
    QLabel *m_readOut;
    QRubberBand *m_band;
    QTimer *m_redrawTimer;  // one thinning for a burst of resizes and wheel steps
    QPoint m_pressAt;
    Qt::MouseButton m_dragButton = Qt::NoButton;
    qint64 m_from = 0, m_to = 0;
    double m_low = 0, m_high = 1;
    bool m_zoomed = false;
};
