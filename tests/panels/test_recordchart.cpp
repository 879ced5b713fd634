// The chart of sensors over time: lines that never cross a gap, a legend naming every sensor in full,
// limits that leave the value axis to the data, round time ticks, thinning to the pixels, zooming and
// back, marks, pages (PNG, PDF, print) with title block and legend, written whole or not at all, and
// the live trend drawn on it.
#include "panels/history/recordchart.h"
#include "panels/live/livetrendpanel.h"
#include "app/recordingdesktop.h"
#include "filesizelimit.h"
#include "tablerows.h"
#include "wholefile.h"
#include <QApplication>
#include <QCategoryAxis>
#include <QComboBox>
#include <QListWidget>
#include <QDir>
#include <QFile>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
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

QStringList legendNames(const RecordChart &c)
{
    QStringList out;
    for (const ChartLegend::Entry &e : c.legend().entries())
        out << e.name;
    return out;
}

// An entry's name in the chart's widget, as a click finds it.
QPoint legendPoint(RecordChart &c, int i)
{
    return c.mapFromScene(c.legend().mapToScene(c.legend().places()[i].text.topLeft() + QPointF(4, 4)));
}

// Whether name was painted whole into text of image: its last fifth leaves ink (a name cut or elided
// leaves the end of its room blank).
bool paintedWhole(const QImage &image, const QRectF &text, const QString &name)
{
    const qreal advance = QFontMetricsF(QApplication::font()).horizontalAdvance(name);
    const QRect end = QRectF(text.left() + advance * 0.8, text.top(), advance * 0.2, text.height()).toAlignedRect() & image.rect();
    for (int y = end.top(); y <= end.bottom(); ++y)
        for (int x = end.left(); x <= end.right(); ++x)
            if (qGray(image.pixel(x, y)) < 120)
                return true;
    return false;
}

QStringList limitNotes(RecordChart &c)
{
    QStringList out;
    for (QGraphicsItem *item : c.scene()->items())
        if (auto *t = dynamic_cast<QGraphicsSimpleTextItem *>(item); t && t->isVisible() && t->data(0).toString() == u"limit")
            out << t->text();
    out.sort();
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

bool printToFile(RecordChart *chart, const QString &path, QString *error)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    return chart->print(&printer, error);
}

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});  // poppler-utils
    p.waitForFinished(-1);
    return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()) : QStringLiteral("pdftotext: ") + p.errorString();
}

// The pages the chart writes, each with how it starts; print: to a PDF file.
const auto &fileKinds() { static const struct { const char *name; std::function<bool(RecordChart *, const QString &, QString *)> save; const char *head; } kinds[] = {
    {"chart.png", &RecordChart::savePng, "\x89PNG"}, {"chart.pdf", &RecordChart::savePdf, "%PDF"}, {"print.pdf", printToFile, "%PDF"}}; return kinds; }

// Legends of many sensors at widths a window gives a chart.
const auto &legendRows() { static const struct { const char *name; int sensors, width; const char *caption; } rows[] = {
    {"20 unnamed, 420 px", 20, 420, "%1#传感器"}, {"20 named, 420 px", 20, 420, "%1# 冷库北墙上层货架温度"},
    {"3 names wider than the chart", 3, 300, "%1# 冷库一号北墙上层货架温度探头（靠近门口的那一支）"}}; return rows; }

// Spans of view at 800 px (at most six ticks), from a midnight: the step, and the labels' form.
const auto &tickRows() { static const struct { const char *name; qint64 from, to, step; const char *format; } rows[] = {
    {"live seconds", 7'013, 107'900, 30'000, "HH:mm:ss"},
    {"within a day", 8 * 3'600'000 + 17 * kMinute, 11 * 3'600'000, 30 * kMinute, "HH:mm"},
    {"across midnight", 20 * 3'600'000, 30 * 3'600'000, 2 * 3'600'000, "MM-dd HH:mm"},
    {"a month", 0, 31 * 86'400'000LL, 7 * 86'400'000LL, "MM-dd"}}; return rows; }
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
    // Each segment its own line in its sensor's colour; one legend entry per sensor shown, even for a
    // sensor with nothing to draw; a click on an entry hides its sensor and takes it off the legend.
    void segmentsAndLegend()
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

        QCOMPARE(legendNames(*m_chart), (QStringList{"1#传感器", "2#传感器", "3#传感器"}));

        QSignalSpy toggled(m_chart, &RecordChart::seriesToggled);
        send(m_chart->viewport(), QEvent::MouseButtonPress, legendPoint(*m_chart, 1), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(toggled.takeFirst(), (QVariantList{1, false}));
        QCOMPARE(legendNames(*m_chart), (QStringList{"1#传感器", "3#传感器"}));
        QCOMPARE(lines(*m_chart).size(), 3);
        QVERIFY(m_chart->valueRange().first > -2.0);  // the values fit the sensors shown
        send(m_chart->viewport(), QEvent::MouseButtonPress, legendPoint(*m_chart, 1), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(toggled.takeFirst(), (QVariantList{2, false}));  // the entry now there is 3#'s
    }

    // Every name below the plot, inside the chart, in full where a fifth of the chart holds the legend
    // (wrapped where it must), else cut short on one line; the plot keeps at least half the height.
    void legendNamesInFull_data() { tableRows(legendRows()); }
    void legendNamesInFull()
    {
        const auto &row = tableRow(legendRows());
        QVector<RecordChart::ChartSeries> series;
        QStringList names;
        for (int i = 0; i < row.sensors; ++i) {
            names << QString::fromUtf8(row.caption).arg(i + 1);
            series.append({names.last(), {run(kT0, 30, [i](int k) { return i * 10 + k; })}});
        }
        m_chart->resize(row.width, 480);
        m_chart->setSeries(series);
        QTRY_VERIFY(m_chart->chart()->plotArea().bottom() < m_chart->legend().y());  // laid out
        QCOMPARE(legendNames(*m_chart), names);
        QVERIFY(m_chart->legend().boundingRect().height() <= m_chart->height() / 5.0);
        QVERIFY(m_chart->chart()->plotArea().height() >= m_chart->height() / 2.0);
        const QImage shown = m_chart->grab().toImage();
        const QRectF inside = m_chart->legend().mapRectFromScene(m_chart->mapToScene(m_chart->rect()).boundingRect());
        const QVector<ChartLegend::Place> places = m_chart->legend().places();
        const QFontMetricsF metrics(QApplication::font());
        for (int i = 0; i < row.sensors; ++i) {
            const QRectF text = places[i].text;
            QVERIFY2(inside.contains(text), qPrintable(names[i]));
            const bool fits = metrics.boundingRect(QRectF(text.topLeft(), QSizeF(text.width(), 1e6)), ChartLegend::TextFlags, names[i]).height() <= text.height();
            QCOMPARE(places[i].elided, !fits && metrics.horizontalAdvance(names[i]) > text.width());
            for (int j = 0; j < i; ++j)
                QVERIFY(!text.intersects(places[j].text.united(places[j].stroke)));
            if (!places[i].elided && metrics.horizontalAdvance(names[i]) <= text.width())
                QVERIFY2(paintedWhole(shown, m_chart->mapFromScene(m_chart->legend().mapToScene(text)).boundingRect(), names[i]), qPrintable(names[i]));
        }
    }

    // The value axis fits the data shown; a limit inside it is a dashed line, one beyond it a note at
    // the edge; a hidden sensor's limits go with it.
    void limitsLeaveTheAxisToTheData()
    {
        m_chart->setPlaceholder(QStringLiteral("没有记录"));  // nothing to draw and no period: no axes, the note
        QVERIFY(!m_chart->chart()->axes().first()->isVisible() && m_chart->placeholder() == u"没有记录");
        m_chart->setSeries({{"1#传感器", {run(kT0, 10, [](int i) { return 200 + i; })}, 150, 600},
                            {"2#传感器", {run(kT0, 10, [](int i) { return 205 - i; })}, 203, 600},
                            {"3#传感器", {run(kT0, 10, [](int) { return 204; })}, -50, std::nullopt, false}});
        QVERIFY(m_chart->chart()->axes().first()->isVisible() && m_chart->placeholder().isEmpty());
        const auto [low, high] = m_chart->valueRange();
        QVERIFY(low > 19.5 && low < 19.6 && high > 20.9 && high < 21.0);
        QCOMPARE(limitNotes(*m_chart), (QStringList{"▲ 上限 60.0", "▼ 下限 15.0", "下限 20.3"}));
        QCOMPARE(lines(*m_chart).size(), 2 + 4);  // two sensors' readings, their four limits across the view
        const QList<QPointF> limit = lines(*m_chart)[4]->points();  // 2#传感器's low limit, in view
        QCOMPARE(limit, (QList<QPointF>{{double(kT0), 20.3}, {double(kT0 + 9 * kMinute), 20.3}}));
        const QPointF at = m_chart->chart()->mapToPosition(limit.first(), lines(*m_chart)[4]);
        QVERIFY(m_chart->chart()->plotArea().adjusted(-1, -1, 1, 1).contains(at));
    }

    // Ticks at round times, as many as the width holds; the date on them once the view crosses midnight.
    void timeTicks_data() { tableRows(tickRows()); }
    void timeTicks()
    {
        const auto &row = tableRow(tickRows());
        const qint64 midnight = QDateTime(QDate(2026, 11, 7), QTime(0, 0)).toMSecsSinceEpoch();
        m_chart->setSeries({{"1#传感器", {{{midnight + row.from, 1}, {midnight + row.to, 2}}}}});
        auto *axis = qobject_cast<QCategoryAxis *>(m_chart->chart()->axes(Qt::Horizontal).first());
        QCOMPARE(qMakePair(qint64(axis->min()), qint64(axis->max())), qMakePair(midnight + row.from, midnight + row.to));
        QVector<qint64> at;
        for (const QString &label : axis->categoriesLabels()) {
            at << qint64(axis->endValue(label));
            QCOMPARE(label, QDateTime::fromMSecsSinceEpoch(at.last()).toString(QString::fromLatin1(row.format)));
        }
        QVERIFY(at.size() >= 3);
        const qint64 step = at[1] - at[0];
        QCOMPARE(step, row.step);
        for (qsizetype i = 0; i < at.size(); ++i) {
            QCOMPARE(at[i] - at[0], i * step);
            QCOMPARE(QDateTime::fromMSecsSinceEpoch(at[i]).time().msecsSinceStartOfDay() % std::min(step, 86'400'000LL), 0);
        }
        QVERIFY(at.first() - (midnight + row.from) < step && (midnight + row.to) - at.last() < step);
    }

    // A long series keeps about two points per pixel column, the spike among them; zoomed in far
    // enough, every reading in view is drawn, and one beyond each edge.
    void thinning()
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
    void zoomAndBack()
    {
        m_chart->setSeries({{"1#传感器", {run(kT0, 600, [](int i) { return 100 + i % 50; })}}});
        const auto full = m_chart->timeRange();
        const auto fullValues = m_chart->valueRange();
        QCOMPARE(full, qMakePair(kT0, kT0 + 599 * kMinute));
        QVERIFY(fullValues.first < 10.0 && fullValues.first > 9.0 && fullValues.second > 14.9 && fullValues.second < 16.0);
        const auto axis = [this] {
            auto *t = qobject_cast<QValueAxis *>(m_chart->chart()->axes(Qt::Horizontal).first());
            return qMakePair(qint64(t->min()), qint64(t->max()));
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
        QWheelEvent wheel(QPointF(at), vp->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
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
    void readOut()
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
    void marksFollowTheView()
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

    // A landscape page: the title block (recorder, period, when it was made) above the chart and its
    // legend, every name painted in full. Written whole; a write that fails leaves the earlier file and
    // names the file.
    void files_data() { tableRows(fileKinds()); }
    void files()
    {
        m_chart->setSeries({{"1#传感器", {run(kT0, 100, [](int i) { return i; })}}, {"2# 东墙 1 米", {run(kT0, 100, [](int) { return 5; })}}});
        m_chart->setHeading(QStringLiteral("冷库一号"), kT0, kT0 + 99 * kMinute);
        const QString period = RecordChart::periodText(kT0, kT0 + 99 * kMinute);
        QCOMPARE(m_chart->chart()->title(), QStringLiteral("冷库一号  ") + period);
        m_chart->setClock([] { return QDateTime(QDate(2026, 12, 8), QTime(9, 15)); });
        QTemporaryDir dir;
        const auto &k = tableRow(fileKinds());
        const QString path = dir.filePath(QString::fromLatin1(k.name));
        QString error;
        QVERIFY2(k.save(m_chart, path, &error), qPrintable(error));
        const QByteArray written = readFile(path);
        QVERIFY(written.startsWith(k.head));
        const QStringList names = legendNames(*m_chart);
        QCOMPARE(m_chart->pageLegend().size(), names.size());
        if (path.endsWith(u".png")) {
            const QImage image = QImage::fromData(written);
            QCOMPARE(image.size(), RecordChart::PngSize);
            for (int i = 0; i < names.size(); ++i) {
                const ChartLegend::Place &p = m_chart->pageLegend()[i];
                QVERIFY2(paintedWhole(image, p.text, names[i]), qPrintable(names[i]));
                const QColor stroke = image.pixelColor(QPointF(p.stroke.center().x(), p.text.top() + QFontMetricsF(QApplication::font()).height() / 2).toPoint());
                QVERIFY(qAbs(stroke.hue() - m_chart->legend().entries()[i].colour.hue()) < 8);
            }
        } else {
            QVERIFY(written.contains("/MediaBox [0 0 842"));  // A4 across
            const QString text = pdfText(path);
            for (const QString &said : names + QStringList{"冷库一号", "时段：" + period, "制作于：2026-12-08 09:15"})
                QVERIFY2(text.contains(said), qPrintable(said + QStringLiteral(" not in: ") + text));
        }

        QVERIFY(!k.save(m_chart, dir.filePath(QStringLiteral("none/") + k.name), &error));
        if (QByteArray(k.name).startsWith("print"))
            return;  // the printer writes as it goes
        QVERIFY(error.contains(QStringLiteral("none/") + k.name));
        {
            const FileSizeLimit full(100);
            QVERIFY(!k.save(m_chart, path, &error));
        }
        QVERIFY(error.contains(path));
        QCOMPARE(readFile(path), written);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left
    }

    // The live trend draws the chosen device's checked sensors: not while its tab is hidden, at once
    // when it is shown, and then when its refresh falls due, however many reads came since.
    void liveTrend()
    {
        RecordingDesktop desktop(QDir::tempPath());
        LiveTrendPanel panel(desktop);
        const auto legend = [&] {
            QStringList out;
            for (const ChartLegend::Entry &e : panel.chtLiveTrend->legend().entries())
                if (e.shown)
                    out << e.name;
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
        QTRY_VERIFY(!panel.chtLiveTrend->legend().places().isEmpty());
        send(panel.chtLiveTrend->viewport(), QEvent::MouseButtonPress, legendPoint(*panel.chtLiveTrend, 0), Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(panel.lstTrendSensors->item(1)->checkState(), Qt::Unchecked);  // the one entry left was 2#'s
        QVERIFY(panel.chtLiveTrend->chart()->title().startsWith(QStringLiteral("设备 2  ") + QDateTime::fromMSecsSinceEpoch(desktop.clock.toMSecsSinceEpoch() - 5000).toString("yyyy-MM-dd HH:mm:ss")));
    }

private:
    RecordChart *m_chart = nullptr;
};

QTEST_MAIN(TestRecordChart)
#include "test_recordchart.moc"
