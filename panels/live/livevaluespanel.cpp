#include "panels/live/livevaluespanel.h"
#include "ui/panelcontext.h"
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
        box->setAccessibleDescription(QStringLiteral("第%1路实时值").arg(k + 1));
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
        m_context.view.showStatus(QStringLiteral("%1：%2；只收到 %3 个值，已显示，其余保持原值")
                                      .arg(kinds::LiveRead.name, modbus::describeReply(ex.info))
                                      .arg(taken));
    return ex;
}

int LiveValuesPanel::DoData(const QByteArray &request, const QByteArray &inx)
{
    const live::ReplyWords reply = live::replyWords(request, inx);
    if (!reply.decodable)
        return 0;
    // Registers from the 21st on have no box.
    const int shown = std::min<int>(int(reply.words.size()), int(txtValue1.size()));
    for (int k = 0; k < shown; ++k)
        txtValue1[k]->setText(live::wordText(reply.words[k]));
    if (shown > 0)
        emit valuesShown(uint8_t(request[0]), reply.words.first(shown));
    return int(reply.words.size());
}
