// The chart of sensors over time: lines that never cross a gap, thinning to the pixels, zooming and
// back, marks, files that are written whole or not at all, and the live trend drawn on it.
#include "panels/history/recordchart.h"
#include "panels/live/livetrendpanel.h"
#include "app/recordingdesktop.h"
#include "filesizelimit.h"
#include "tablerows.h"
#include "wholefile.h"
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QDateTimeAxis>
#include <QDir>
#include <QFile>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

namespace {
constexpr qint64 kT0 = 1'704'164'640'000;  // 2024-01-02 03:04 UTC
constexpr qint64 kMinute = 60'000;

// n readings a minute apart from start; value(i) in tenths.
view::Segment run(qint64 start, int n, const std::function<int(int)> &value)
{
    view::Segment s;
    for (int i = 0; i < n; ++i)
        s.append({start + i * kMinute, value(i)});
    return s;
}

QList<QLineSeries *> lines(RecordChart &c)
{
    QList<QLineSeries *> out;
    for (QAbstractSeries *s : c.chart()->series())
        if (auto *line = qobject_cast<QLineSeries *>(s); line && line->count() > 0)
            out.append(line);
    return out;
}

QList<QGraphicsLineItem *> marks(RecordChart &c)
{
    QList<QGraphicsLineItem *> out;
    for (QGraphicsItem *item : c.scene()->items())
        if (auto *line = qgraphicsitem_cast<QGraphicsLineItem *>(item); line && line->isVisible() && line->data(0).toString() == u"mark")
            out.append(line);
    return out;
}

void send(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// The files the chart writes, each with how it starts.
const auto &fileKinds() { static const struct { const char *name; bool (RecordChart::*save)(const QString &, QString *); const char *head; } kinds[] = {
    {"chart.png", &RecordChart::savePng, "\x89PNG"}, {"chart.pdf", &RecordChart::savePdf, "%PDF"}}; return kinds; }
} // namespace

class TestRecordChart : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_chart = new RecordChart;
        m_chart->resize(800, 500);
        m_chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_chart));
    }
    void cleanup() { delete m_chart; }
    void segmentsAndLegend();
    void thinning();
    void zoomAndBack();
    void readOut();
    void marksFollowTheView();
    void files_data() { tableRows(fileKinds()); }
    void files();
    void liveTrend();

private:
    RecordChart *m_chart = nullptr;
};

// Each segment its own line in its sensor's colour; one legend entry per sensor, even for a sensor
// with nothing to draw.
void TestRecordChart::segmentsAndLegend()
{
    const QVector<view::Segment> a = {run(kT0, 10, [](int i) { return i; }), run(kT0 + 20 * kMinute, 5, [](int) { return 50; }),
                                      {{kT0 + 40 * kMinute, 7}}};
    m_chart->setSeries({{"1#传感器", a}, {"2#传感器", {run(kT0, 45, [](int) { return -20; })}}, {"3#传感器", {}}});
    const QList<QLineSeries *> drawn = lines(*m_chart);
    QCOMPARE(drawn.size(), 4);
    // No line holds points of two segments.
    QList<int> perSegment;
    for (QLineSeries *line : drawn) {
        const QList<QPointF> pts = line->points();
        int owner = -1;
        for (qsizetype k = 0; k < a.size(); ++k)
            if (pts.first().x() >= a[k].first().msecs && pts.last().x() <= a[k].last().msecs)
                owner = int(k);
        if (line->color() == drawn.first()->color())
            perSegment << (owner >= 0 ? int(pts.size()) : -1);
    }
    QCOMPARE(perSegment, (QList<int>{10, 5, 1}));
    QVERIFY(drawn[3]->color() != drawn[0]->color());

    const auto legend = [this] {
        QStringList out;
        for (QLegendMarker *m : m_chart->chart()->legend()->markers())
            if (m->isVisible())
                out << m->label();
        return out;
    };
    QTRY_COMPARE(legend(), (QStringList{"1#传感器", "2#传感器", "3#传感器"}));  // once the legend is laid out
}

// A long series keeps about two points per pixel column, the spike among them; zoomed in far
// enough, every reading in view is drawn, and one beyond each edge.
void TestRecordChart::thinning()
{
    const int n = 43'000;
    m_chart->setSeries({{"1#传感器", {run(kT0, n, [](int i) { return i == 31'234 ? 999 : i % 7; })}}});
    const auto columns = [this] { return int(m_chart->chart()->plotArea().width()); };
    // Thinned again once the plot has settled to its width beside the new legend.
    QTRY_VERIFY(columns() > 300 && lines(*m_chart).first()->count() <= 2 * columns() + 2);
    QList<QPointF> pts = lines(*m_chart).first()->points();
    QVERIFY2(pts.size() >= columns(), qPrintable(QString::number(pts.size())));
    QVERIFY(std::any_of(pts.cbegin(), pts.cend(), [](const QPointF &p) { return p.y() == 99.9; }));

    m_chart->zoomTo(kT0 + 100 * kMinute, kT0 + 199 * kMinute);
    pts = lines(*m_chart).first()->points();
    QCOMPARE(pts.size(), 102);
    QCOMPARE(qint64(pts[1].x()), kT0 + 100 * kMinute);
    QCOMPARE(pts[1].y(), 100 % 7 / 10.0);
}

// Zooming by rectangle, wheel and keys, and back to the whole data by Home and a double click.
void TestRecordChart::zoomAndBack()
{
    m_chart->setSeries({{"1#传感器", {run(kT0, 600, [](int i) { return 100 + i % 50; })}}});
    const auto full = m_chart->timeRange();
    const auto fullValues = m_chart->valueRange();
    QCOMPARE(full, qMakePair(kT0, kT0 + 599 * kMinute));
    QVERIFY(fullValues.first < 10.0 && fullValues.first > 9.0 && fullValues.second > 14.9 && fullValues.second < 16.0);
    const auto axis = [this] {
        auto *t = qobject_cast<QDateTimeAxis *>(m_chart->chart()->axes(Qt::Horizontal).first());
        return qMakePair(t->min().toMSecsSinceEpoch(), t->max().toMSecsSinceEpoch());
    };
    QCOMPARE(axis(), full);

    const QRectF plot = m_chart->chart()->plotArea();
    QWidget *vp = m_chart->viewport();
    const QPoint a = plot.topLeft().toPoint() + QPoint(plot.width() / 4, 10), b = a + QPoint(plot.width() / 4, 50);
    send(vp, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    send(vp, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    send(vp, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
    const auto band = m_chart->timeRange();
    QVERIFY(m_chart->zoomed());
    QVERIFY(qAbs(band.first - (kT0 + 599 * kMinute / 4)) < 3 * kMinute);
    QVERIFY(qAbs((band.second - band.first) - 599 * kMinute / 4) < 3 * kMinute);
    QVERIFY(m_chart->valueRange().second < fullValues.second && m_chart->valueRange().first > fullValues.first);
    QCOMPARE(axis(), band);

    QTest::keyClick(m_chart, Qt::Key_Home);
    QCOMPARE(m_chart->timeRange(), full);
    QCOMPARE(m_chart->valueRange(), fullValues);

    // The wheel narrows the time around the cursor: the time under it stays there.
    const QPoint at = plot.topLeft().toPoint() + QPoint(plot.width() / 5, plot.height() / 2);
    const double share = (at.x() - plot.left()) / plot.width();
    const qint64 under = full.first + qint64(share * (full.second - full.first));
    QWheelEvent wheel(QPointF(at), vp->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(vp, &wheel);
    const auto wheeled = m_chart->timeRange();
    QVERIFY(wheeled.second - wheeled.first < (full.second - full.first) * 2 / 3);
    QVERIFY(qAbs(wheeled.first + qint64(share * (wheeled.second - wheeled.first)) - under) < kMinute);
    QCOMPARE(m_chart->valueRange(), fullValues);

    QTest::keyClick(m_chart, Qt::Key_Right);
    QVERIFY(m_chart->timeRange().first > wheeled.first);
    send(vp, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(m_chart->timeRange(), full);
    QVERIFY(!m_chart->zoomed());
}

// The read-out names the reading nearest the cursor, of the sensor nearest to it.
void TestRecordChart::readOut()
{
    m_chart->setSeries({{"1#传感器", {run(kT0, 61, [](int) { return 100; })}},
                        {"3#传感器", {run(kT0, 61, [](int i) { return 235 + (i == 30 ? 5 : 0); })}}});
    const auto pointAt = [this](qint64 t, double v) {
        const QPointF p = m_chart->chart()->mapToPosition(QPointF(double(t), v), lines(*m_chart).first());
        return m_chart->mapFromScene(m_chart->chart()->mapToScene(p));
    };
    const QString time = QDateTime::fromMSecsSinceEpoch(kT0 + 30 * kMinute).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    QSignalSpy spy(m_chart, &RecordChart::cursorText);
    send(m_chart->viewport(), QEvent::MouseMove, pointAt(kT0 + 30 * kMinute + 10'000, 23.8), Qt::NoButton, Qt::NoButton);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().first().toString(), time + QStringLiteral("  3#传感器 24.0"));
    QCOMPARE(m_chart->readOut(pointAt(kT0 + 30 * kMinute, 10.2)), time + QStringLiteral("  1#传感器 10.0"));
    QCOMPARE(m_chart->readOut(QPoint(2, 2)), QString());  // outside the plot
}

// Marks stand at their times, follow the view, and go with an empty list.
void TestRecordChart::marksFollowTheView()
{
    m_chart->setSeries({{"1#传感器", {run(kT0, 100, [](int i) { return i; })}}});
    m_chart->setMarks({kT0 + 10 * kMinute, kT0 + 80 * kMinute, kT0 + 500 * kMinute});
    QLineSeries *line = lines(*m_chart).first();
    const auto xOf = [&](qint64 t) { return m_chart->chart()->mapToPosition(QPointF(double(t), 0), line).x(); };
    const auto xs = [&] {
        QList<int> out;
        for (QGraphicsLineItem *m : marks(*m_chart))
            out << qRound(m->line().x1());
        std::sort(out.begin(), out.end());
        return out;
    };
    QCOMPARE(xs(), (QList<int>{qRound(xOf(kT0 + 10 * kMinute)), qRound(xOf(kT0 + 80 * kMinute))}));
    m_chart->zoomTo(kT0 + 50 * kMinute, kT0 + 90 * kMinute);
    QCOMPARE(xs(), (QList<int>{qRound(xOf(kT0 + 80 * kMinute))}));
    m_chart->setMarks({});
    QVERIFY(marks(*m_chart).isEmpty());
}

// PNG and PDF come whole; a write that fails leaves the earlier file and names the file.
void TestRecordChart::files()
{
    m_chart->setSeries({{"1#传感器", {run(kT0, 100, [](int i) { return i; })}}});
    QTemporaryDir dir;
    const auto &k = tableRow(fileKinds());
    const QString path = dir.filePath(QString::fromLatin1(k.name));
    QString error;
    QVERIFY2((m_chart->*k.save)(path, &error), qPrintable(error));
    const QByteArray written = readFile(path);
    QVERIFY(written.startsWith(k.head) && written.size() > 1000);
    if (QByteArray(k.head) == "\x89PNG")
        QCOMPARE(QImage::fromData(written).size(), m_chart->size());
    else
        QVERIFY(written.trimmed().endsWith("%%EOF"));

    QVERIFY(!(m_chart->*k.save)(dir.filePath(QStringLiteral("none/") + k.name), &error));
    QVERIFY(error.contains(QStringLiteral("none/") + k.name));
    {
        const FileSizeLimit full(100);
        QVERIFY(!(m_chart->*k.save)(path, &error));
    }
    QVERIFY(error.contains(path));
    QCOMPARE(readFile(path), written);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left
}

// The live trend draws the chosen device's checked sensors: not while its tab is hidden, at once
// when it is shown, and then when its refresh falls due, however many reads came since.
void TestRecordChart::liveTrend()
{
    RecordingDesktop desktop(QDir::tempPath());
    LiveTrendPanel panel(desktop);
    const auto legend = [&] {
        QStringList out;
        for (QAbstractSeries *s : panel.chtLiveTrend->chart()->series())
            if (!s->name().isEmpty())
                out << s->name();
        return out;
    };
    const auto read = [&](int i) {
        panel.addValues(5, {uint16_t(10 * i)});
        panel.addValues(2, {0x00EB, 0xFFF6});
        desktop.clock = desktop.clock.addSecs(1);
    };
    for (int i = 0; i < 3; ++i)
        read(i);
    QVERIFY(legend().isEmpty());
    panel.show();
    // The first device seen stays chosen.
    QCOMPARE(panel.cboTrendDevice->currentText(), u"5");
    QCOMPARE(panel.cboTrendDevice->itemText(0), u"2");
    QCOMPARE(legend(), QStringList{"1#传感器"});
    QCOMPARE(lines(*panel.chtLiveTrend).first()->count(), 3);
    for (int i = 3; i < 5; ++i)
        read(i);
    QCOMPARE(lines(*panel.chtLiveTrend).first()->count(), 3);
    QTRY_COMPARE(lines(*panel.chtLiveTrend).first()->count(), 5);
    QCOMPARE(lines(*panel.chtLiveTrend).first()->points().last().y(), 4.0);

    panel.cboTrendDevice->setCurrentIndex(0);
    QCOMPARE(legend(), (QStringList{"1#传感器", "2#传感器"}));
    QCOMPARE(lines(*panel.chtLiveTrend).last()->points().first().y(), -1.0);
    panel.lstTrendSensors->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(legend(), QStringList{"2#传感器"});
}

QTEST_MAIN(TestRecordChart)
#include "test_recordchart.moc"
