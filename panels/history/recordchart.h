#pragma once
#include "core/view/series.h"
#include <QChartView>
#include <QPair>
#include <QVector>
#include <optional>

class QDateTimeAxis;
class QGraphicsEllipseItem;
class QGraphicsLineItem;
class QLabel;
class QLineSeries;
class QPrinter;
class QRubberBand;
class QTimer;
class QValueAxis;

// A chart of sensors' values over time, in units (the data is in tenths). Each sensor has one colour
// and one legend entry; each of its segments is a line of its own, so no line crosses a gap. It
// draws at most about two points per pixel column of what is in view and thins again from the
// full data after every zoom, pan or resize.
//
// Mouse: drag a rectangle to zoom in, the wheel zooms the time around the cursor, the right or
// middle button drags the view, a double click shows all. Keys: arrows move the view, + and − zoom
// the time, Home shows all. Moving over the chart reads out the nearest value.
class RecordChart : public QChartView {
    Q_OBJECT
public:
    struct ChartSeries {
        QString name;                      // "1#传感器"
        QVector<view::Segment> segments;   // in time order
        std::optional<int> low, high;      // the sensor's limits in tenths, drawn as dashed lines
    };

    explicit RecordChart(QWidget *parent = nullptr);
    ~RecordChart() override;

    // Replaces what is drawn. keepView: a view the user zoomed or moved stays where it is (a live
    // trend that grows); otherwise, and while the user has not zoomed, the view shows all the data.
    void setSeries(const QVector<ChartSeries> &series, bool keepView = false);

    // The whole data again, and the view follows the data from here on.
    void resetZoom();
    // Shows fromMsecs … toMsecs of the time (the value range is kept); the user's zoom.
    void zoomTo(qint64 fromMsecs, qint64 toMsecs);
    QPair<qint64, qint64> timeRange() const { return {m_from, m_to}; }
    QPair<double, double> valueRange() const { return {m_low, m_high}; }
    bool zoomed() const { return m_zoomed; }

    // Vertical lines at these times (the rows picked in a table); none for an empty vector. Each is
    // a line item of the chart with data(0) "mark".
    void setMarks(const QVector<qint64> &msecs);

    // The chart as the window shows it, written whole or not at all: a failure leaves an earlier file
    // as it was and *error says, naming the file, why.
    bool savePng(const QString &path, QString *error);
    bool savePdf(const QString &path, QString *error);
    void print(QPrinter *printer);

    // The read-out for a point of the widget: the time, the sensor nearest to it and its value
    // ("2024-01-02 03:04  3#传感器 23.5"); empty where nothing is near.
    QString readOut(const QPoint &pos) const;

signals:
    void viewChanged(qint64 fromMsecs, qint64 toMsecs);
    void cursorText(const QString &text);

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
    struct Nearest {
        int sensor = -1;
        view::Point point;
    };

    void setView(qint64 from, qint64 to, double low, double high, bool byUser);
    void fullRange(qint64 *from, qint64 *to, double *low, double *high) const;
    void redraw();
    void placeMarks();
    void updateTimeFormat();
    Nearest nearest(const QPoint &pos) const;
    QString text(const Nearest &n) const;
    QRectF plotRect() const;            // the plot area in widget pixels
    qint64 timeAt(double x) const;      // widget x to time
    double valueAt(double y) const;
    QPointF pixelOf(qint64 msecs, double units) const;
    void settle();
    QByteArray pdfBytes();
    QImage image();

    QDateTimeAxis *m_time;
    QValueAxis *m_value;
    QVector<Sensor> m_sensors;
    QVector<qint64> m_marks;
    QVector<QGraphicsLineItem *> m_markLines;
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
