#include "panels/history/recordchart.h"
#include "core/files/safefile.h"
#include "core/report/chartpainter.h"
#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QGraphicsEllipseItem>
#include <QGraphicsScene>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTimer>

// The chart on a page of its own: the PNG, the PDF and the print. Each is a landscape page with a title
// block above the chart, drawn in pixels of 96 dpi, so that fonts given in points come out as large
// on paper as they look on the screen, and the legend below the chart as the window shows it.

namespace {
constexpr int kPageDpi = 96;
constexpr double kDotsPerMeter = kPageDpi / 0.0254;
} // namespace

QStringList RecordChart::headingLines() const
{
    QStringList lines{m_recorder.isEmpty() ? tr("记录曲线") : m_recorder};
    if (m_headTo > m_headFrom)
        lines << tr("时段：%1").arg(periodText(shownPeriod().first, shownPeriod().second));
    lines << tr("制作于：%1").arg(m_clock().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    return lines;
}

void RecordChart::renderChart(QPainter &painter, const QRectF &target)
{
    // Drawn by the core's chart painter at the target's size, as the report's chart is: the time and
    // values in view, each sensor thinned to about two points a column of the target, the legend of the
    // sensors shown.
    report::Chart c;
    c.fromMsecs = m_from;
    c.toMsecs = m_to;
    c.low = m_low;
    c.high = m_high;
    c.font = QApplication::font();
    const int columns = std::max(2, int(target.width()) * 2);
    for (qsizetype i = 0; i < m_sensors.size(); ++i) {
        const ChartSeries &s = m_sensors[i].data;
        QVector<view::Segment> thinned;
        for (const view::Segment &segment : s.segments)
            thinned.append(view::decimate(segment, columns, m_from, m_to));
        c.lines.append({s.name, report::sensorColour(int(i)), thinned, s.low, s.high, s.shown, s.unit});
    }
    m_pageLegend = report::paintChart(painter, target, c);
}

void RecordChart::paintPage(QPainter &painter, const QRectF &page)
{
    QFont big = font(), small = font();
    big.setPixelSize(22);
    big.setBold(true);
    small.setPixelSize(14);
    const QStringList lines = headingLines();
    qreal y = page.top();
    painter.save();
    painter.setPen(Qt::black);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        painter.setFont(i == 0 ? big : small);
        const qreal height = painter.fontMetrics().height();
        painter.drawText(QRectF(page.left(), y, page.width(), height), Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
        y += height + (i == 0 ? 6 : 2);
    }
    y += 6;
    painter.setPen(QPen(QColor(150, 150, 150), 1));
    painter.drawLine(QPointF(page.left(), y), QPointF(page.right(), y));
    painter.restore();
    y += 8;
    renderChart(painter, QRectF(page.left(), y, page.width(), page.bottom() - y));
}

bool RecordChart::savePng(const QString &path, QString *error)
{
    QImage image(PngSize, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(kDotsPerMeter));
    image.setDotsPerMeterY(qRound(kDotsPerMeter));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        paintPage(painter, QRectF(QPointF(0, 0), QSizeF(PngSize)).adjusted(24, 16, -24, -12));
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    QString why;
    if (!writer.write(image))
        why = writer.errorString();
    else if (safefile::writeWhole(path, buffer.data(), &why))
        return true;
    if (error)
        *error = tr("图表未能保存到 %1：%2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

bool RecordChart::savePdf(const QString &path, QString *error)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool painted = false;
    {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(headingLines().join(QLatin1Char(' ')));
        pdf.setCreator(QStringLiteral("WL8806N"));
        pdf.setResolution(kPageDpi);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 10, 12, 10),
                                      QPageLayout::Millimeter));
        QPainter painter;
        if (painter.begin(&pdf)) {
            painter.setRenderHint(QPainter::Antialiasing);
            paintPage(painter, QRectF(0, 0, pdf.width(), pdf.height()));
            painted = painter.end();
        }
    }
    QString why = tr("PDF 未能生成");
    if (painted && !buffer.data().isEmpty() && safefile::writeWhole(path, buffer.data(), &why))
        return true;
    if (error)
        *error = tr("图表未能保存到 %1：%2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

bool RecordChart::print(QPrinter *printer, QString *error)
{
    printer->setResolution(kPageDpi);
    printer->setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(printer)) {
        if (error)
            *error = tr("打印机未能开始打印");
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    paintPage(painter, QRectF(0, 0, printer->width(), printer->height()));
    if (!painter.end()) {
        if (error)
            *error = tr("打印未能完成");
        return false;
    }
    return true;
}
