#include "panels/live/livevaluespanel.h"
#include "ui/panelcontext.h"
#include "ui/recordarchive.h"
#include "core/settings/sensortable.h"
#include "core/live/livedecode.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

LiveValuesPanel::LiveValuesPanel(PanelContext &context, QGroupBox *frame)
    : QWidget(frame), m_context(context)
{
    setObjectName(QStringLiteral("LiveValuesPanel"));
    auto *grid = new QGridLayout(this);
    // Four columns of five, top to bottom: boxes 0–4, 5–9, 10–14, 15–19; box k is channel k + 1.
    for (int k = 0; k < 20; ++k) {
        const QString channel = QStringLiteral("%1#").arg(k + 1);
        auto *box = new QLineEdit(QStringLiteral("0"), this);
        box->setObjectName(QStringLiteral("txtValue1(%1)").arg(k));
        box->setReadOnly(true);  // a Tab stop all the same: read out and copied from the keyboard
        box->setAlignment(Qt::AlignRight);
        box->setMinimumWidth(64);
        box->setAccessibleName(channel);
        box->setAccessibleDescription(tr("第%1路实时值").arg(k + 1));
        auto *label = new QLabel(channel, this);
        label->setObjectName(QStringLiteral("lblValue(%1)").arg(k));
        label->setBuddy(box);
        const int column = k / 5, row = k % 5;
        grid->addWidget(label, row, 2 * column);
        grid->addWidget(box, row, 2 * column + 1);
        txtValue[k] = box;
        lblValue[k] = label;
    }
    auto *frameLayout = frame->layout() ? frame->layout() : new QVBoxLayout(frame);
    frameLayout->addWidget(this);
}

jobs::LiveReading LiveValuesPanel::readAndShow(const Link::Hold &hold, const jobs::LiveTarget &target)
{
    const jobs::LiveReading r = jobs::readLiveValues(m_context.link, hold, target);
    show(target, r);
    return r;
}

void LiveValuesPanel::show(const jobs::LiveTarget &target, const jobs::LiveReading &r)
{
    if (r.words.isEmpty())
        return;
    showValues(target.device, target.start, r.words);
    if (r.partial())  // a shorter frame of the device's own: say what was shown
        m_context.view.showStatus(tr("%1：%2；只收到 %3 个值，已显示，其余保持原值")
                                      .arg(kinds::LiveRead.shownName(), modbus::describeReply(r.exchange.info))
                                      .arg(r.words.size()));
    if (!m_outOfRange.isEmpty())
        m_context.view.showStatus(tr("设备 %1 超出限值：%2").arg(target.device).arg(m_outOfRange.join(tr("；"))));
}

void LiveValuesPanel::showValues(uint8_t device, uint16_t start, const QVector<uint16_t> &words)
{
    // Registers from the 21st on have no box.
    const int shown = std::min<int>(int(words.size()), int(txtValue.size()));
    // Register r holds sensor r + 1; the recorder is the device asked on the port in use.
    const QString recorder = m_context.archive ? m_context.archive->recorderName(device) : QString();
    m_outOfRange.clear();
    for (int k = 0; k < shown; ++k) {
        txtValue[k]->setText(live::wordText(words[k]));
        markBox(k, recorder, start + 1 + k, live::wordReading(words[k]));
    }
    emit valuesShown(device, words.first(shown));
}

void LiveValuesPanel::markBox(int k, const QString &recorder, int number, std::optional<int> reading)
{
    QLineEdit *box = txtValue[k];
    const sensors::Sensor sensor = m_context.archive && number <= sensors::MaxSensor
                                       ? m_context.archive->sensors().sensor(recorder, number)
                                       : sensors::Sensor{};
    const sensors::Reading r = sensors::compare(reading, sensor);
    const QString name = m_context.archive && number <= sensors::MaxSensor
                             ? m_context.archive->sensors().shownName(recorder, number)
                             : tr("第%1路").arg(k + 1);
    QString what = sensor.unit.isEmpty() ? name : tr("%1（%2）").arg(name, sensor.unit);
    if (sensor.low && sensor.high)
        what += tr("，限值 %1 … %2").arg(sensors::limitText(sensor.low), sensors::limitText(sensor.high));
    else if (sensor.low)
        what += tr("，下限 %1").arg(sensors::limitText(sensor.low));
    else if (sensor.high)
        what += tr("，上限 %1").arg(sensors::limitText(sensor.high));
    QString state;
    if (r == sensors::Reading::Above)
        state = tr("高于上限 %1").arg(sensors::limitText(sensor.high));
    else if (r == sensors::Reading::Below)
        state = tr("低于下限 %1").arg(sensors::limitText(sensor.low));
    if (!state.isEmpty())
        m_outOfRange << tr("%1 %2 %3").arg(name, box->text(), state);
    const bool out = sensors::outOfRange(r);
    box->setToolTip(what);
    box->setAccessibleDescription(out ? tr("%1：%2，超出限值").arg(what, state) : what);
    if (box->property("outOfRange").toBool() != out) {
        box->setProperty("outOfRange", out);
        // Colour and weight both, and the description says it in words: never colour alone.
        box->setStyleSheet(out ? QStringLiteral("QLineEdit { background: #ffe0e0; color: #a00000; font-weight: bold; }")
                               : QString());
    }
}
