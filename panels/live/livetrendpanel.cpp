#include "panels/live/livetrendpanel.h"
#include "panels/history/recordchart.h"
#include "ui/desktop.h"
#include "ui/valuelabel.h"
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>

namespace {
// Four redraws a second: the curve looks live, and a fast poll of many devices costs little.
constexpr int kRefreshMsecs = 250;
} // namespace

LiveTrendPanel::LiveTrendPanel(Desktop &desktop, QWidget *parent)
    : QWidget(parent), m_desktop(desktop), m_refresh(new QTimer(this))
{
    setObjectName(QStringLiteral("LiveTrendPanel"));
    cboTrendDevice = new QComboBox(this);
    cboTrendDevice->setObjectName(QStringLiteral("cboTrendDevice"));
    auto *deviceCaption = new QLabel(tr("设备地址"), this);
    deviceCaption->setBuddy(cboTrendDevice);

    lstTrendSensors = new QListWidget(this);
    lstTrendSensors->setObjectName(QStringLiteral("lstTrendSensors"));
    lstTrendSensors->setAccessibleName(tr("显示的传感器"));
    for (int k = 0; k < view::LiveHistory::kSensors; ++k) {
        auto *item = new QListWidgetItem(tr("%1#传感器").arg(k + 1), lstTrendSensors);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    lstTrendSensors->setMaximumWidth(140);

    chtLiveTrend = new RecordChart(this);
    chtLiveTrend->setPlaceholder(tr("单次或循环读取后，这里显示读数"));
    chtLiveTrend->setObjectName(QStringLiteral("chtLiveTrend"));
    auto *cmdTrendReset = new QPushButton(tr("显示全部"), this);
    cmdTrendReset->setObjectName(QStringLiteral("cmdTrendReset"));
    auto *lblTrendCursor = new ValueLabel(QString(), tr("曲线读数"), this);
    lblTrendCursor->setObjectName(QStringLiteral("lblTrendCursor"));
    // The bar above the chart first, then the sensor list beside it, then the chart.
    setTabOrder(cboTrendDevice, cmdTrendReset);
    setTabOrder(cmdTrendReset, lstTrendSensors);
    setTabOrder(lstTrendSensors, chtLiveTrend);

    auto *bar = new QHBoxLayout;
    bar->addWidget(deviceCaption);
    bar->addWidget(cboTrendDevice);
    bar->addWidget(cmdTrendReset);
    bar->addWidget(lblTrendCursor, 1);
    auto *body = new QHBoxLayout;
    body->addWidget(lstTrendSensors);
    body->addWidget(chtLiveTrend, 1);
    auto *column = new QVBoxLayout(this);
    column->addLayout(bar);
    column->addLayout(body, 1);

    m_refresh->setSingleShot(true);
    m_refresh->setInterval(kRefreshMsecs);
    connect(m_refresh, &QTimer::timeout, this, &LiveTrendPanel::refresh);
    connect(cboTrendDevice, &QComboBox::currentIndexChanged, this, [this] {
        chtLiveTrend->resetZoom();  // another device: its own data in full
        refresh();
    });
    connect(lstTrendSensors, &QListWidget::itemChanged, this, &LiveTrendPanel::refresh);
    // A click on the legend is a click on the sensor's check box.
    connect(chtLiveTrend, &RecordChart::seriesToggled, this, [this](int index, bool shown) {
        const QSignalBlocker quiet(lstTrendSensors);
        lstTrendSensors->item(index)->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    });
    connect(cmdTrendReset, &QPushButton::clicked, chtLiveTrend, &RecordChart::resetZoom);
    connect(chtLiveTrend, &RecordChart::cursorText, lblTrendCursor, &ValueLabel::setText);
}

void LiveTrendPanel::addValues(uint8_t device, const QVector<uint16_t> &words)
{
    m_history.add(device, m_desktop.now().toMSecsSinceEpoch(), words);
    if (cboTrendDevice->findData(device) < 0) {
        // In address order, so a device is found where a person looks for it.
        int at = 0;
        while (at < cboTrendDevice->count() && cboTrendDevice->itemData(at).toInt() < device)
            ++at;
        cboTrendDevice->insertItem(at, QString::number(device), int(device));
    }
    if (!m_refresh->isActive())
        m_refresh->start();
}

void LiveTrendPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void LiveTrendPanel::setSensorLookup(SensorLookup lookup)
{
    m_lookup = std::move(lookup);
    refresh();
}

void LiveTrendPanel::refresh()
{
    m_refresh->stop();
    // Nobody looks at a hidden tab: draw when it is shown.
    m_stale = !isVisible();
    if (m_stale)
        return;
    QVector<RecordChart::ChartSeries> series;
    if (cboTrendDevice->currentIndex() >= 0) {
        const auto device = uint8_t(cboTrendDevice->currentData().toInt());
        const int sensors = m_history.sensors(device);
        qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::min();
        for (int k = 0; k < sensors; ++k) {
            const auto [name, sensor] = m_lookup ? m_lookup(device, k + 1)
                                                 : std::pair{tr("%1#传感器").arg(k + 1), sensors::Sensor{}};
            if (lstTrendSensors->item(k)->text() != name) {
                const QSignalBlocker quiet(lstTrendSensors);
                lstTrendSensors->item(k)->setText(name);
            }
            series.append({name, m_history.segments(device, k), sensor.low, sensor.high,
                           lstTrendSensors->item(k)->checkState() == Qt::Checked});
            for (const view::Segment &seg : series.last().segments)
                if (!seg.isEmpty()) {
                    first = std::min(first, seg.first().msecs);
                    last = std::max(last, seg.last().msecs);
                }
        }
        if (first <= last)
            chtLiveTrend->setHeading(m_recorderName ? m_recorderName(device) : tr("设备 %1").arg(device), first, last);
    }
    chtLiveTrend->setSeries(series, true);
}
