// The report's pages: landscape A4 drawn in pixels of 96 dpi, like the chart's own pages. The pages are
// laid out twice, first only counted (for "page 2 of 4"), then drawn.
#include "core/report/chartpainter.h"
#include "core/report/reportpdf.h"
#include "core/view/period.h"
#include <QCoreApplication>
#include <QBuffer>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

namespace {
constexpr int PageDpi = 96;
constexpr int MaxGapsListed = 200;
constexpr int MaxOutsideListed = 500;  // a day out of range read every two minutes is 720
constexpr int ChartColumns = 1200;  // points kept a segment: two a pixel column of the page's chart
const QString Minute = QStringLiteral("yyyy-MM-dd HH:mm");

// Numbers as the exports write them: one decimal, a minus sign only where it belongs.
QString tenthsText(int v) { return QStringLiteral("%1%2.%3").arg(v < 0 ? "-" : "").arg(std::abs(v) / 10).arg(std::abs(v) % 10); }
QString decimal(std::optional<double> v)
{
    return v ? tenthsText(int(std::lround(*v * 10))) : QStringLiteral("—");
}
QString timeText(const QDateTime &t) { return t.isValid() ? t.toString(Minute) : QStringLiteral("—"); }
} // namespace

class ReportPages {
    Q_DECLARE_TR_FUNCTIONS(ReportPages)
public:
    ReportPages(const report::Content &content, QPdfWriter *writer, QPainter *painter, int total)
        : c(content), m_writer(writer), p(painter), m_total(total)
    {
        m_page = QRectF(0, 0, writer->width(), writer->height());
        m_body = m_page.adjusted(0, 0, 0, -28);
        m_text.setPixelSize(13);
        m_small.setPixelSize(11);
        m_bold = m_text;
        m_bold.setBold(true);
        m_title.setPixelSize(22);
        m_title.setBold(true);
    }

    // Lays out (and with a painter draws) every page; returns how many there are.
    int draw()
    {
        newPage();
        titleBlock();
        sensorTable();
        coverage();
        alarms();
        outsideReadings();
        chart();
        return m_number;
    }

private:
    struct Column {
        QString title;
        qreal weight;
        Qt::Alignment align = Qt::AlignLeft;
    };

    QString period() const { return tr("%1 至 %2").arg(timeText(c.request.from), timeText(c.request.to)); }

    void newPage()
    {
        if (m_number > 0 && p)
            m_writer->newPage();
        ++m_number;
        m_y = m_body.top();
        if (!p)
            return;
        p->setFont(m_small);
        p->setPen(QColor(90, 90, 90));
        const QRectF foot(m_page.left(), m_body.bottom() + 8, m_page.width(), m_page.bottom() - m_body.bottom() - 8);
        p->drawLine(foot.topLeft(), foot.topRight());
        p->drawText(foot, Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("%1    %2").arg(c.request.recorder, period()));
        p->drawText(foot, Qt::AlignHCenter | Qt::AlignBottom,
                    c.anchor ? tr("检查点 %1 %2").arg(timeText(c.anchor->first.toLocalTime()), c.anchor->second) : tr("尚无检查点覆盖此期间"));
        p->drawText(foot, Qt::AlignRight | Qt::AlignBottom, tr("第 %1 页，共 %2 页").arg(m_number).arg(m_total));
        p->setPen(Qt::black);
    }

    void need(qreal height)
    {
        if (m_y + height > m_body.bottom())
            newPage();
    }

    void line(const QString &text, const QFont &font, qreal after = 3)
    {
        const qreal h = QFontMetricsF(font).height();
        need(h);
        if (p) {
            p->setFont(font);
            p->drawText(QRectF(m_body.left(), m_y, m_body.width(), h), Qt::AlignLeft | Qt::AlignVCenter,
                        QFontMetricsF(font).elidedText(text, Qt::ElideRight, m_body.width()));
        }
        m_y += h + after;
    }

    void paragraph(const QString &text, const QFont &font)
    {
        const qreal h = QFontMetricsF(font).boundingRect(QRectF(0, 0, m_body.width(), 1e6), Qt::TextWordWrap, text).height();
        need(h);
        if (p) {
            p->setFont(font);
            p->drawText(QRectF(m_body.left(), m_y, m_body.width(), h), Qt::AlignLeft | Qt::TextWordWrap, text);
        }
        m_y += h + 3;
    }

    void heading(const QString &text)
    {
        need(3 * QFontMetricsF(m_bold).height());  // never alone at the foot of a page
        m_y += 10;
        line(text, m_bold, 5);
    }

    // A table whose heading is repeated on every page it runs onto. A cell's text wraps within its
    // column (at any character where a word is wider than the column), never cut; a row is as tall as
    // its tallest cell. A heading is aligned like its column; a cell holding only "—" is centred.
    static int cellFlags(const QFontMetricsF &fm, qreal width, Qt::Alignment align, const QString &text)
    {
        const int word = int(align) | Qt::AlignTop | Qt::TextWordWrap;
        return fm.boundingRect(QRectF(0, 0, width, 1e6), word, text).width() <= width ? word
                                                                                      : int(align) | Qt::AlignTop | Qt::TextWrapAnywhere;
    }

    void table(const QVector<Column> &columns, const QVector<QStringList> &rows)
    {
        const QFontMetricsF fm(m_small);
        qreal total = 0;
        for (const Column &col : columns)
            total += col.weight;
        const auto width = [&](qsizetype i) { return m_body.width() * columns[i].weight / total; };
        const auto place = [&](const QStringList &cells, qsizetype i, bool head) {
            const QString text = cells.value(i);
            const Qt::Alignment align = !head && text == QStringLiteral("—") ? Qt::AlignHCenter : columns[i].align;
            const int flags = cellFlags(fm, width(i) - 8, align, text);
            return std::pair{flags, fm.boundingRect(QRectF(0, 0, width(i) - 8, 1e6), flags, text).height()};
        };
        const auto heightOf = [&](const QStringList &cells, bool head) {
            qreal h = fm.lineSpacing();
            for (qsizetype i = 0; i < columns.size(); ++i)
                h = std::max(h, place(cells, i, head).second);
            return h + (head ? 8 : 6);
        };
        const auto drawRow = [&](const QStringList &cells, bool head) {
            const qreal height = heightOf(cells, head);
            qreal x = m_body.left();
            if (p && head)
                p->fillRect(QRectF(x, m_y, m_body.width(), height), QColor(232, 232, 232));
            for (qsizetype i = 0; p && i < columns.size(); ++i) {
                p->setFont(m_small);
                p->drawText(QRectF(x + 4, m_y + 3, width(i) - 8, height - 6), place(cells, i, head).first, cells.value(i));
                x += width(i);
            }
            if (p) {
                p->setPen(QColor(200, 200, 200));
                p->drawLine(QPointF(m_body.left(), m_y + height), QPointF(m_body.right(), m_y + height));
                p->setPen(Qt::black);
            }
            m_y += height;
        };
        QStringList titles;
        for (const Column &col : columns)
            titles << col.title;
        need(heightOf(titles, true) + (rows.isEmpty() ? 0 : heightOf(rows.first(), false)));
        drawRow(titles, true);
        for (const QStringList &row : rows) {
            if (m_y + heightOf(row, false) > m_body.bottom()) {
                newPage();
                drawRow(titles, true);
            }
            drawRow(row, false);
        }
    }

    QString duration(qint64 msecs) const
    {
        const qint64 s = (msecs + 500) / 1000, h = s / 3600, m = s % 3600 / 60, sec = s % 60;
        if (h > 0)
            return tr("%1 小时 %2 分").arg(h).arg(m);
        if (sec > 0)
            return m > 0 ? tr("%1 分 %2 秒").arg(m).arg(sec) : tr("%1 秒").arg(sec);
        return tr("%1 分").arg(m);
    }

    // The period's length as it is, both ends' minutes included: "5 小时 21 分", "1 天", "7 天".
    QString length() const
    {
        const qint64 minutes = report::onClock(c.request.from).secsTo(report::onClock(c.request.to)) / 60 + 1;
        QStringList parts;
        if (minutes >= 1440)
            parts << tr("%1 天").arg(minutes / 1440);
        if (minutes % 1440 >= 60)
            parts << tr("%1 小时").arg(minutes % 1440 / 60);
        if (minutes % 60 > 0)
            parts << tr("%1 分").arg(minutes % 60);
        return parts.join(QLatin1Char(' '));
    }

    QString spacing() const
    {
        const int s = report::spacingSecs(c.stats.intervalS);
        if (s <= 0)
            return tr("不明");
        return s % 3600 == 0 ? tr("%1 小时").arg(s / 3600) : s % 60 == 0 ? tr("%1 分钟").arg(s / 60) : tr("%1 秒").arg(s);
    }

    void titleBlock()
    {
        const report::Request &r = c.request;
        line(tr("记录报告：%1").arg(r.recorder), m_title, 8);
        line(tr("记录仪：%1    地址：%2    端口：%3").arg(r.recorder, r.address ? QString::number(r.address) : QStringLiteral("—"),
                                                    r.port.isEmpty() ? QStringLiteral("—") : r.port), m_text);
        line(tr("时段：%1（%2）").arg(period(), length()), m_text);
        line(tr("记录间隔：%1").arg(spacing()), m_text);
        line(tr("制作于 %1，制作人 %2，程序版本 %3").arg(timeText(r.madeAt), r.madeBy.isEmpty() ? QStringLiteral("—") : r.madeBy, r.version),
             m_text);
        paragraph(tr("平均动力学温度（MKT）按 USP <1160> 计算，ΔH/R = %1 K，只计温度传感器（单位 ℃）；限值上的值算作限值内；"
                "连续超限的读数算作一次超限。").arg(r.dhR, 0, 'f', 0), m_small);
        if (p) {
            p->setPen(QColor(150, 150, 150));
            p->drawLine(QPointF(m_body.left(), m_y + 4), QPointF(m_body.right(), m_y + 4));
            p->setPen(Qt::black);
        }
        m_y += 8;
    }

    void sensorTable()
    {
        heading(tr("传感器统计"));
        const QVector<Column> columns = {{tr("编号"), 4}, {tr("传感器"), 14}, {tr("单位"), 5}, {tr("限值"), 9}, {tr("读数"), 7, Qt::AlignRight},
            {tr("最小值"), 13}, {tr("最大值"), 13}, {tr("平均值"), 7, Qt::AlignRight}, {tr("MKT"), 7, Qt::AlignRight},
            {tr("低于下限"), 10, Qt::AlignRight}, {tr("高于上限"), 10, Qt::AlignRight}, {tr("超限次数"), 8, Qt::AlignRight}, {tr("首次超限"), 13}};
        QVector<QStringList> rows;
        for (qsizetype j = 0; j < c.stats.sensors.size(); ++j) {
            const report::SensorStats &s = c.stats.sensors[j];
            const sensors::Sensor &sensor = c.sensors[j];
            const QString low = sensor.low ? tenthsText(*sensor.low) : QString(), high = sensor.high ? tenthsText(*sensor.high) : QString();
            const QString limits = low.isEmpty() && high.isEmpty() ? QStringLiteral("—")
                                   : high.isEmpty() ? QStringLiteral("≥ ") + low
                                   : low.isEmpty()  ? QStringLiteral("≤ ") + high
                                                    : low + QStringLiteral(" … ") + high;
            const auto extreme = [](const std::optional<report::Extreme> &e) {
                return e ? tenthsText(e->tenths) + QLatin1Char('\n') + timeText(e->time) : QStringLiteral("—");
            };
            const bool limited = sensor.low || sensor.high;
            rows.append({QStringLiteral("%1#").arg(j + 1), sensor.name, sensor.unit.isEmpty() ? QStringLiteral("—") : sensor.unit, limits, QString::number(s.readings),
                         extreme(s.min), extreme(s.max), decimal(s.mean), decimal(s.mkt),
                         sensor.low ? duration(s.belowMsecs) : QStringLiteral("—"), sensor.high ? duration(s.aboveMsecs) : QStringLiteral("—"),
                         limited ? QString::number(s.excursions) : QStringLiteral("—"), timeText(s.firstExcursion)});
        }
        if (rows.isEmpty())
            line(tr("该时段没有记录。"), m_text);
        else
            table(columns, rows);
    }

    void coverage()
    {
        const report::Statistics &st = c.stats;
        heading(tr("记录完整性"));
        if (st.expected > 0)
            line(tr("按记录间隔应有 %1 条记录，实有 %2 条（%3%）。").arg(st.expected).arg(st.records)
                     .arg(QString::number(100.0 * st.records / st.expected, 'f', 1)), m_text);
        else if (st.records == 0)
            line(tr("该时段没有记录（0%）。"), m_text);
        else
            line(tr("记录间隔不明，无法计算应有的条数；实有 %1 条记录。").arg(st.records), m_text);
        if (st.skipped > 0)
            line(tr("%1 条记录的时间不是有效日期，未计入。").arg(st.skipped), m_text);
        if (st.intervalS <= 0 && st.gaps.isEmpty())
            return;
        // A gap: two neighbours further apart than the interval allows, so at least one record is missing.
        if (st.gaps.isEmpty()) {
            line(tr("没有间断：相邻两条记录之间都不缺记录。"), m_text);
            return;
        }
        line(st.intervalS > 0 ? tr("间断（相邻两条记录之间缺少记录）：%1 处。").arg(st.gaps.size()) : tr("整个时段是一处间断。"), m_text);
        QVector<QStringList> rows;
        for (const report::Gap &g : st.gaps.mid(0, MaxGapsListed))
            rows.append({timeText(g.from), timeText(g.to), duration(g.msecs())});
        table({{tr("从"), 1}, {tr("到"), 1}, {tr("时长"), 1}}, rows);
        if (st.gaps.size() > MaxGapsListed)
            line(tr("另有 %1 处间断未列出。").arg(st.gaps.size() - MaxGapsListed), m_text);
    }

    void alarms()
    {
        heading(tr("报警（监视程序）"));
        if (c.alarms.isEmpty()) {
            line(tr("本时段无报警"), m_text);
            return;
        }
        const auto local = [](const QDateTime &utc) { return timeText(utc.toLocalTime()); };
        QVector<QStringList> rows;
        for (const report::AlarmLine &a : c.alarms) {
            const watch::Transition &t = a.raised;
            const bool noAnswer = !watch::aboutSensor(t.kind);
            const QString unit = noAnswer ? QString() : c.sensors.value(t.sensor - 1).unit;
            const auto value = [&](std::optional<int> v) { return v ? (tenthsText(*v) + QLatin1Char(' ') + unit).trimmed() : QStringLiteral("—"); };
            QString ack = QStringLiteral("—");
            if (a.acknowledged)
                ack = QStringLiteral("%1 %2 %3").arg(a.acknowledged->by, local(a.acknowledged->time), a.acknowledged->note).trimmed();
            rows.append({QString::number(t.id), noAnswer ? QStringLiteral("—") : c.sensors.value(t.sensor - 1).name,
                         watch::kindName(t.kind),
                         value(t.value), value(t.limit), local(t.time), ack, a.cleared ? local(a.cleared->time) : tr("未解除")});
        }
        table({{tr("编号"), 4}, {tr("传感器"), 12}, {tr("类型"), 8}, {tr("数值"), 8}, {tr("限值"), 8}, {tr("报警时间"), 12},
               {tr("确认（人、时间、说明）"), 24}, {tr("解除时间"), 12}}, rows);
        if (c.notices.isEmpty())
            return;
        line(tr("通知（每个步骤：方式、对象、结果）"), m_bold, 4);
        rows.clear();
        for (const archive::OutboxEntry &e : c.notices)
            rows.append(QStringList{QString::number(e.alarmId)} + report::noticeCells(e));
        const QStringList h = report::noticeHeaders();
        table({{tr("编号"), 4}, {h[0], 7}, {h[1], 12}, {h[2], 6}, {h[3], 20}, {h[4], 13}, {h[5], 12}}, rows);
    }

    // What the watcher read while a value was out of range, each reading marked by the limit it passed.
    void outsideReadings()
    {
        if (c.outside.isEmpty())
            return;
        heading(tr("超限期间的读数（监视程序，超限时至少每两分钟一次）"));
        QVector<QStringList> rows;
        for (const archive::Readings::Value &v : c.outside.mid(0, MaxOutsideListed)) {
            const sensors::Sensor &s = c.sensors.value(v.sensor - 1);
            const bool above = sensors::compare(v.tenths, s) == sensors::Reading::Above;
            const QString unit = s.unit.isEmpty() ? QString() : QLatin1Char(' ') + s.unit;
            rows.append({timeText(v.taken.toLocalTime()), s.name, tenthsText(v.tenths) + unit,
                         (above ? tr("超上限 %1") : tr("低于下限 %1")).arg(tenthsText(above ? *s.high : *s.low) + unit)});
        }
        table({{tr("时间"), 12}, {tr("传感器"), 12}, {tr("读数"), 8}, {tr("标记"), 12}}, rows);
        if (c.outside.size() > MaxOutsideListed)
            line(tr("另有 %1 条超限读数未列出。").arg(c.outside.size() - MaxOutsideListed), m_text);
    }

    // The chart of the period on a page of its own, drawn as the window's chart prints.
    void chart()
    {
        if (c.stats.records == 0)
            return;
        report::Chart chart;
        chart.fromMsecs = c.request.from.toMSecsSinceEpoch();
        chart.toMsecs = c.request.to.toMSecsSinceEpoch() + 59'999;
        chart.font = m_text;
        for (qsizetype j = 0; j < c.series.size() && j < c.sensors.size(); ++j) {
            QVector<view::Segment> thinned;
            for (const view::Segment &segment : c.series[j])
                thinned.append(view::decimate(segment, ChartColumns, chart.fromMsecs, chart.toMsecs));
            chart.lines.append({c.sensors[j].name, report::sensorColour(int(j)), thinned, c.sensors[j].low, c.sensors[j].high, true,
                                c.sensors[j].unit});
        }
        newPage();
        line(tr("曲线：%1").arg(period()), m_bold, 6);
        if (p)
            report::paintChart(*p, QRectF(m_body.left(), m_y, m_body.width(), m_body.bottom() - m_y), chart);
    }

    const report::Content &c;
    QPdfWriter *m_writer;
    QPainter *p;  // none: the pages are only counted
    int m_total;
    QRectF m_page, m_body;
    int m_number = 0;
    qreal m_y = 0;
    QFont m_title, m_text, m_small, m_bold;
};

namespace report {

QByteArray reportPdf(const Content &content)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool painted = false;
    {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(ReportPages::tr("记录报告：%1").arg(content.request.recorder));
        pdf.setCreator(QStringLiteral("WL8806N %1").arg(content.request.version));
        pdf.setResolution(PageDpi);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 10, 12, 10),
                                      QPageLayout::Millimeter));
        const int total = ReportPages(content, &pdf, nullptr, 0).draw();
        QPainter painter;
        if (painter.begin(&pdf)) {
            painter.setRenderHint(QPainter::Antialiasing);
            ReportPages(content, &pdf, &painter, total).draw();
            painted = painter.end();
        }
    }
    return painted ? buffer.data() : QByteArray();
}

} // namespace report
