#include "panels/history/recordchart.h"
#include "core/report/chartpainter.h"
#include <QCategoryAxis>
#include <QCoreApplication>
#include <QDateTime>
#include <QGraphicsEllipseItem>
#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QMap>
#include <QRubberBand>
#include <QTimer>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <tuple>

namespace {
constexpr int kNearPixels = 48;             // a read-out only for a point this close to the cursor
constexpr int kMargin = 4;

// Hues a golden angle apart: neighbours differ clearly, and twenty sensors stay apart.
using report::sensorColour;

bool beforeTime(const view::Point &p, qint64 t) { return p.msecs < t; }
bool afterTime(qint64 t, const view::Point &p) { return t < p.msecs; }

QString timeText(qint64 msecs)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(msecs);
    return t.toString(msecs % 60000 ? QStringLiteral("yyyy-MM-dd HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm"));
}
} // namespace

RecordChart::RecordChart(QWidget *parent)
    : QChartView(new QChart, parent),
      m_time(new QCategoryAxis),
      m_value(new QValueAxis),
      m_legend(new ChartLegend(chart())),
      m_placeholder(new QGraphicsSimpleTextItem(chart())),
      m_dot(new QGraphicsEllipseItem(-4, -4, 8, 8, chart())),
      m_readOut(new QLabel(this)),
      m_band(new QRubberBand(QRubberBand::Rectangle, viewport())),
      m_redrawTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("RecordChart"));
    setAccessibleName(tr("曲线图"));
    setFrameShape(QFrame::NoFrame);
    setRenderHint(QPainter::Antialiasing);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setRubberBand(QChartView::NoRubberBand);  // our own: it must thin again after zooming

    // Our own legend: Qt's cuts the names short ("1…") once they do not fit in one row.
    chart()->legend()->hide();
    chart()->setMargins(QMargins(kMargin, kMargin, kMargin, kMargin));
    QFont titleFont = chart()->titleFont();
    titleFont.setBold(true);
    chart()->setTitleFont(titleFont);
    m_time->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_value->setTickType(QValueAxis::TicksDynamic);
    chart()->addAxis(m_time, Qt::AlignBottom);
    chart()->addAxis(m_value, Qt::AlignLeft);

    m_placeholder->setZValue(15);
    m_placeholder->setBrush(palette().color(QPalette::PlaceholderText));
    m_placeholder->hide();
    m_dot->setZValue(20);
    m_dot->setBrush(Qt::white);
    m_dot->hide();
    m_readOut->setObjectName(QStringLiteral("lblChartReadOut"));
    m_readOut->setStyleSheet(QStringLiteral("QLabel { background: rgba(255,255,225,230); color: black; border: 1px solid gray; padding: 2px; }"));
    m_readOut->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_readOut->hide();

    m_redrawTimer->setSingleShot(true);
    connect(m_redrawTimer, &QTimer::timeout, this, [this] { relayOut(); });
    connect(chart(), &QChart::geometryChanged, this, [this] { layOutLegend(); });
    // The plot area settles after a resize or a new legend: thin for its new width once it has.
    connect(chart(), &QChart::plotAreaChanged, this, [this] { m_redrawTimer->start(0); });
    resetZoom();
}

RecordChart::~RecordChart() = default;

void RecordChart::setSeries(const QVector<ChartSeries> &series, bool keepView)
{
    bool same = series.size() == m_sensors.size();
    for (qsizetype i = 0; same && i < series.size(); ++i)
        same = series[i].name == m_sensors[i].data.name;
    if (!same) {
        // Another set of sensors: new lines (and legend entries) for them.
        for (Sensor &s : m_sensors)
            for (QLineSeries *line : s.lines + s.limits) {
                chart()->removeSeries(line);
                delete line;
            }
        m_sensors.clear();
        for (const ChartSeries &c : series)
            m_sensors.append(Sensor{c, {}, {}});
    } else {
        for (qsizetype i = 0; i < series.size(); ++i)
            m_sensors[i].data = series[i];
    }
    updateLegend();
    if (keepView && m_zoomed) {
        setView(m_from, m_to, m_low, m_high, false);
        return;
    }
    resetZoom();
}

void RecordChart::updateLegend()
{
    QVector<ChartLegend::Entry> entries;
    m_legendSensors.clear();
    QVector<report::ChartLine> units;
    for (qsizetype i = 0; i < m_sensors.size(); ++i) {
        const ChartSeries &s = m_sensors[i].data;
        units.append({s.name, {}, {}, {}, {}, s.shown, s.unit});
        if (!s.shown)
            continue;
        entries.append({s.name, sensorColour(int(i)), true});
        m_legendSensors.append(int(i));
    }
    m_value->setTitleText(report::unitTitle(units));
    if (entries == m_legend->entries())
        return;
    m_legend->setEntries(entries);
    layOutLegend();
}

void RecordChart::layOutLegend()
{
    const QSizeF size = chart()->size();
    // A fifth of the chart at most, and never so much that the plot (below the title, above the time
    // labels) gets less than half of it.
    const qreal line = QFontMetricsF(font()).height();
    const qreal most = std::max(line, std::min(size.height() / 5, size.height() / 2 - 3 * line - 4 * kMargin));
    const qreal height = m_legend->layOut(size.width() - 2 * kMargin, most);
    m_legend->setPos(kMargin, size.height() - kMargin - height);
    // The plot and its axes take what the legend leaves.
    const int bottom = kMargin + (height > 0 ? int(std::ceil(height)) + kMargin : 0);
    if (chart()->margins().bottom() != bottom)
        chart()->setMargins(QMargins(kMargin, kMargin, kMargin, bottom));
}

void RecordChart::toggle(int index)
{
    Sensor &s = m_sensors[index];
    s.data.shown = !s.data.shown;
    updateLegend();
    if (m_zoomed)
        setView(m_from, m_to, m_low, m_high, false);
    else
        resetZoom();  // the values fit the sensors still shown
    emit seriesToggled(index, s.data.shown);
}

void RecordChart::setHeading(const QString &recorder, qint64 fromMsecs, qint64 toMsecs)
{
    m_recorder = recorder;
    m_headFrom = fromMsecs;
    m_headTo = toMsecs;
    updateTitle();
}

void RecordChart::updateTitle()
{
    if (m_recorder.isEmpty() && m_headTo <= m_headFrom)
        return;
    const auto [from, to] = shownPeriod();
    chart()->setTitle(tr("%1  %2").arg(m_recorder, periodText(from, to)));
}

QPair<qint64, qint64> RecordChart::shownPeriod() const
{
    return m_zoomed || m_headTo <= m_headFrom ? QPair{m_from, m_to} : QPair{m_headFrom, m_headTo};
}

QString RecordChart::periodText(qint64 fromMsecs, qint64 toMsecs)
{
    return tr("%1 至 %2").arg(timeText(fromMsecs), timeText(toMsecs));
}

void RecordChart::setPlaceholder(const QString &text)
{
    m_placeholder->setText(text);
    placePlaceholder();
}

bool RecordChart::empty() const
{
    return std::none_of(m_sensors.cbegin(), m_sensors.cend(), [](const Sensor &s) {
        return std::any_of(s.data.segments.cbegin(), s.data.segments.cend(), [](const view::Segment &g) { return !g.isEmpty(); });
    });
}

void RecordChart::showAxes()
{
    const bool shown = !empty() || m_headTo > m_headFrom;
    if (m_time->isVisible() == shown)
        return;
    m_time->setVisible(shown);
    m_value->setVisible(shown);
    if (chart()->layout())
        chart()->layout()->activate();  // the plot's new width, before ticks are laid out on it
}

void RecordChart::placePlaceholder()
{
    m_placeholder->setVisible(empty() && !m_placeholder->text().isEmpty());
    m_placeholder->setPos(chart()->plotArea().center() - m_placeholder->boundingRect().center());
}

void RecordChart::relayOut()
{
    updateTimeTicks();
    redraw();
    placeMarks();
    placeLimitNotes();
}

void RecordChart::redraw()
{
    // Two points per pixel column at most: more could not be seen, and would only cost time.
    const int columns = std::max(int(chart()->plotArea().width()), 2);
    for (qsizetype si = 0; si < m_sensors.size(); ++si) {
        Sensor &s = m_sensors[si];
        QVector<QList<QPointF>> shown;
        for (const view::Segment &seg : s.data.segments) {
            if (!s.data.shown || seg.isEmpty() || seg.last().msecs < m_from || seg.first().msecs > m_to)
                continue;
            // The points in view and one on each side, so the line runs on to the plot's edges.
            auto lo = std::lower_bound(seg.cbegin(), seg.cend(), m_from, beforeTime);
            auto hi = std::upper_bound(lo, seg.cend(), m_to, afterTime);
            if (lo != seg.cbegin())
                --lo;
            if (hi != seg.cend())
                ++hi;
            const view::Segment thin = view::decimate(view::Segment(lo, hi), columns, m_from, m_to);
            QList<QPointF> points;
            points.reserve(thin.size());
            for (const view::Point &p : thin)
                points.append(QPointF(double(p.msecs), p.tenths / 10.0));
            shown.append(std::move(points));
        }
        const qsizetype wanted = std::max<qsizetype>(shown.size(), 1);
        while (s.lines.size() > wanted) {
            QLineSeries *line = s.lines.takeLast();
            chart()->removeSeries(line);
            delete line;
        }
        while (s.lines.size() < wanted) {
            auto *line = new QLineSeries(this);
            line->setColor(sensorColour(int(si)));
            line->setMarkerSize(5);
            if (s.lines.isEmpty())
                line->setName(s.data.name);
            chart()->addSeries(line);
            line->attachAxis(m_time);
            line->attachAxis(m_value);
            s.lines.append(line);
        }
        for (qsizetype i = 0; i < s.lines.size(); ++i) {
            QLineSeries *line = s.lines[i];
            const QList<QPointF> points = i < shown.size() ? shown[i] : QList<QPointF>();
            // A segment of one reading has no line to draw: it shows as a dot.
            line->setPointsVisible(points.size() == 1);
            line->replace(points);
        }
        drawLimits(int(si), s);
    }
    placePlaceholder();
}

void RecordChart::drawLimits(int index, Sensor &s)
{
    QVector<int> values;
    for (const std::optional<int> &limit : {s.data.low, s.data.high})
        if (limit && s.data.shown)
            values.append(*limit);
    while (s.limits.size() > values.size()) {
        QLineSeries *line = s.limits.takeLast();
        chart()->removeSeries(line);
        delete line;
    }
    while (s.limits.size() < values.size()) {
        auto *line = new QLineSeries(this);
        QPen pen(sensorColour(index));
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(1.5);
        line->setPen(pen);
        chart()->addSeries(line);
        line->attachAxis(m_time);
        line->attachAxis(m_value);
        s.limits.append(line);
    }
    for (qsizetype i = 0; i < values.size(); ++i)
        s.limits[i]->replace({QPointF(double(m_from), values[i] / 10.0), QPointF(double(m_to), values[i] / 10.0)});
}

void RecordChart::placeLimitNotes()
{
    QVector<report::ChartLine> limits;
    for (qsizetype i = 0; i < m_sensors.size(); ++i) {
        const ChartSeries &c = m_sensors[i].data;
        limits.append({c.name, sensorColour(int(i)), {}, c.low, c.high, c.shown});
    }
    const QVector<report::LimitLabel> labels = report::limitLabels(limits, chart()->plotArea(), m_low, m_high, font());
    while (m_limitNotes.size() < labels.size()) {
        auto *item = new QGraphicsSimpleTextItem(chart());
        item->setZValue(12);
        item->setData(0, QStringLiteral("limit"));
        item->setFont(font());
        m_limitNotes.append(item);
    }
    for (qsizetype k = 0; k < m_limitNotes.size(); ++k) {
        QGraphicsSimpleTextItem *item = m_limitNotes[k];
        item->setVisible(k < labels.size());
        if (k >= labels.size())
            continue;
        item->setText(labels[k].text);
        item->setBrush(labels[k].colour);
        item->setToolTip(labels[k].names.join(tr("、")));
        item->setPos(labels[k].rect.topLeft());
    }
}

void RecordChart::setMarks(const QVector<qint64> &msecs)
{
    m_marks = msecs;
    std::sort(m_marks.begin(), m_marks.end());
    m_marks.erase(std::unique(m_marks.begin(), m_marks.end()), m_marks.end());
    placeMarks();
}

void RecordChart::placeMarks()
{
    const auto lo = std::lower_bound(m_marks.cbegin(), m_marks.cend(), m_from);
    const auto hi = std::upper_bound(lo, m_marks.cend(), m_to);
    const qsizetype count = hi - lo;
    while (m_markLines.size() < count) {
        auto *line = new QGraphicsLineItem(chart());
        line->setPen(QPen(QColor(40, 40, 40, 170), 0, Qt::DashLine));
        line->setZValue(10);
        line->setData(0, QStringLiteral("mark"));
        m_markLines.append(line);
    }
    const QRectF plot = chart()->plotArea();
    const double perMsec = plot.width() / double(m_to - m_from);
    for (qsizetype i = 0; i < m_markLines.size(); ++i) {
        QGraphicsLineItem *line = m_markLines[i];
        line->setVisible(i < count);
        if (i < count) {
            const double x = plot.left() + double(lo[i] - m_from) * perMsec;
            line->setLine(x, plot.top(), x, plot.bottom());
        }
    }
}

RecordChart::Nearest RecordChart::nearest(const QPoint &pos) const
{
    Nearest best;
    if (!plotRect().adjusted(-2, -2, 2, 2).contains(pos))
        return best;
    const qint64 t = timeAt(pos.x());
    double bestDistance = kNearPixels;
    for (qsizetype si = 0; si < m_sensors.size(); ++si)
        for (const view::Segment &seg : m_sensors[si].data.segments) {
            if (!m_sensors[si].data.shown || seg.isEmpty() || seg.last().msecs < m_from || seg.first().msecs > m_to)
                continue;
            // The readings either side of the cursor's time: the nearest in time, and the nearest
            // on the screen with them unless the line is far steeper than the pixels show.
            const qsizetype at = std::lower_bound(seg.cbegin(), seg.cend(), t, beforeTime) - seg.cbegin();
            for (qsizetype i : {at - 1, at}) {
                if (i < 0 || i >= seg.size() || seg[i].msecs < m_from || seg[i].msecs > m_to)
                    continue;
                const QPointF d = pixelOf(seg[i].msecs, seg[i].tenths / 10.0) - QPointF(pos);
                const double distance = std::hypot(d.x(), d.y());
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = Nearest{int(si), seg[i]};
                }
            }
        }
    return best;
}

QString RecordChart::readOut(const QPoint &pos) const
{
    return text(nearest(pos));
}

QString RecordChart::text(const Nearest &n) const
{
    if (n.sensor < 0)
        return QString();
    return QStringLiteral("%1  %2 %3")
        .arg(timeText(n.point.msecs), m_sensors[n.sensor].data.name, QString::number(n.point.tenths / 10.0, 'f', 1));
}

void RecordChart::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    updateTimeTicks();
}

void RecordChart::mousePressEvent(QMouseEvent *event)
{
    const int entry = m_legend->entryAt(m_legend->mapFromScene(mapToScene(event->position().toPoint())));
    if (event->button() == Qt::LeftButton && entry >= 0) {
        toggle(m_legendSensors[entry]);
        event->accept();
        return;
    }
    m_pressAt = event->position().toPoint();
    m_dragButton = event->button();
    if (m_dragButton == Qt::LeftButton) {
        m_band->setGeometry(QRect(m_pressAt, QSize()));
        m_band->show();
    }
    event->accept();
}

void RecordChart::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int entry = m_legend->entryAt(m_legend->mapFromScene(mapToScene(pos)));
    viewport()->setCursor(entry >= 0 && m_dragButton == Qt::NoButton ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // A name cut short in full.
    if (entry >= 0 && m_legend->places()[entry].elided)
        QToolTip::showText(event->globalPosition().toPoint(), m_legend->entries()[entry].name, this);
    if (m_dragButton == Qt::LeftButton) {
        m_band->setGeometry(QRect(m_pressAt, pos).normalized());
    } else if (m_dragButton == Qt::RightButton || m_dragButton == Qt::MiddleButton) {
        const QRectF plot = plotRect();
        const qint64 dt = qint64(std::llround((pos.x() - m_pressAt.x()) / std::max(plot.width(), 1.0) * double(m_to - m_from)));
        const double dv = (pos.y() - m_pressAt.y()) / std::max(plot.height(), 1.0) * (m_high - m_low);
        m_pressAt = pos;
        setView(m_from - dt, m_to - dt, m_low + dv, m_high + dv, true);
    }
    const Nearest n = nearest(pos);
    const QString shown = text(n);
    m_dot->setVisible(n.sensor >= 0);
    if (n.sensor >= 0) {
        m_dot->setPen(QPen(sensorColour(n.sensor), 2));
        m_dot->setPos(chart()->mapFromScene(mapToScene(pixelOf(n.point.msecs, n.point.tenths / 10.0).toPoint())));
        m_readOut->setText(shown);
        m_readOut->adjustSize();
        const QRectF plot = plotRect();
        m_readOut->move(int(plot.left()) + 6, int(plot.top()) + 6);
        m_readOut->show();
    } else {
        m_readOut->hide();
    }
    emit cursorText(shown);
    event->accept();
}

void RecordChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragButton == Qt::LeftButton && event->button() == Qt::LeftButton) {
        m_band->hide();
        const QRectF r = QRectF(m_band->geometry()).intersected(plotRect());
        // A click, or a rectangle too thin to mean a zoom, leaves the view.
        if (r.width() >= 6 && r.height() >= 6)
            setView(timeAt(r.left()), timeAt(r.right()), valueAt(r.bottom()), valueAt(r.top()), true);
    }
    if (event->button() == m_dragButton)
        m_dragButton = Qt::NoButton;
    event->accept();
}

void RecordChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        resetZoom();
    event->accept();
}

void RecordChart::wheelEvent(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0) {
        event->ignore();
        return;
    }
    const double factor = std::pow(0.8, steps);
    const qint64 t = std::clamp(timeAt(event->position().x()), m_from, m_to);
    setView(t - qint64((t - m_from) * factor), t + qint64((m_to - t) * factor), m_low, m_high, true);
    event->accept();
}

void RecordChart::keyPressEvent(QKeyEvent *event)
{
    const qint64 dt = (m_to - m_from) / 10;
    const double dv = (m_high - m_low) / 10;
    const qint64 mid = m_from + (m_to - m_from) / 2;
    switch (event->key()) {
    case Qt::Key_Left: setView(m_from - dt, m_to - dt, m_low, m_high, true); break;
    case Qt::Key_Right: setView(m_from + dt, m_to + dt, m_low, m_high, true); break;
    case Qt::Key_Up: setView(m_from, m_to, m_low + dv, m_high + dv, true); break;
    case Qt::Key_Down: setView(m_from, m_to, m_low - dv, m_high - dv, true); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: setView(mid - 4 * dt, mid + 4 * dt, m_low, m_high, true); break;
    case Qt::Key_Minus: setView(mid - 6 * dt, mid + 6 * dt, m_low, m_high, true); break;
    case Qt::Key_Home: resetZoom(); break;
    default: QChartView::keyPressEvent(event); return;
    }
    event->accept();
}

void RecordChart::leaveEvent(QEvent *event)
{
    m_readOut->hide();
    m_dot->hide();
    emit cursorText(QString());
    QChartView::leaveEvent(event);
}
