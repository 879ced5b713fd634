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
        box->setReadOnly(true);
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
        txtValue1[k] = box;
        lblValue[k] = label;
    }
    auto *frameLayout = frame->layout() ? frame->layout() : new QVBoxLayout(frame);
    frameLayout->addWidget(this);
}

Exchange LiveValuesPanel::ReadModule(const Link::Hold &hold, uint8_t device, uint8_t function, uint16_t start,
                                     uint8_t count)
{
    const QByteArray request = modbus::readRequest(device, function, start, count);
    int taken = 0;
    Exchange ex = m_context.link.exchange(hold, kinds::LiveRead, request, [&](const Exchange &e) {
        taken = DoData(e.request, e.reply);
    });
    if (taken > 0 && !ex.valid())  // a shorter frame of the device's own: say what was shown
        m_context.view.showStatus(tr("%1：%2；只收到 %3 个值，已显示，其余保持原值")
                                      .arg(kinds::LiveRead.shownName(), modbus::describeReply(ex.info))
                                      .arg(taken));
    if (taken > 0 && !m_outOfRange.isEmpty())
        m_context.view.showStatus(tr("设备 %1 超出限值：%2").arg(device).arg(m_outOfRange.join(tr("；"))));
    return ex;
}

int LiveValuesPanel::DoData(const QByteArray &request, const QByteArray &inx)
{
    const live::ReplyWords reply = live::replyWords(request, inx);
    if (!reply.decodable)
        return 0;
    // Registers from the 21st on have no box.
    const int shown = std::min<int>(int(reply.words.size()), int(txtValue1.size()));
    // Register r holds sensor r + 1; the recorder is the device asked on the port in use.
    const int firstSensor = (uint8_t(request[2]) << 8 | uint8_t(request[3])) + 1;
    const QString recorder = m_context.archive ? m_context.archive->recorderName(uint8_t(request[0])) : QString();
    m_outOfRange.clear();
    for (int k = 0; k < shown; ++k) {
        txtValue1[k]->setText(live::wordText(reply.words[k]));
        markBox(k, recorder, firstSensor + k, live::wordReading(reply.words[k]));
    }
    if (shown > 0)
        emit valuesShown(uint8_t(request[0]), reply.words.first(shown));
    return int(reply.words.size());
}

void LiveValuesPanel::markBox(int k, const QString &recorder, int number, std::optional<int> reading)
{
    QLineEdit *box = txtValue1[k];
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
