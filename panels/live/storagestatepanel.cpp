#include "panels/live/storagestatepanel.h"
#include "ui/commandstart.h"
#include "ui/boxinput.h"
#include "ui/panelcontext.h"
#include "ui/valuelabel.h"
#include "core/link/exchange.h"
#include "core/live/livedecode.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr uint16_t kStartCountRegister = 124;  // 125 follows: minutes recorded
}

StorageStatePanel::StorageStatePanel(PanelContext &context, QGroupBox *frame)
    : QWidget(frame), m_context(context)
{
    setObjectName(QStringLiteral("StorageStatePanel"));
    cmdStartMonitor = new QPushButton(tr("开始监测"), this);
    cmdStartMonitor->setObjectName(QStringLiteral("cmdStartMonitor"));
    cmdStartMonitor->setProperty("deviceCommand", true);
    auto number = [this](const QString &name, const QString &caption) {
        auto *l = new ValueLabel(QStringLiteral("0"), caption, this);
        l->setObjectName(name);
        l->setToolTip(caption);
        l->setMinimumWidth(56);
        l->setFrameShape(QFrame::StyledPanel);
        l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        return l;
    };
    lblStartCount = number(QStringLiteral("lblStartCount"), tr("启动次数"));
    lblMinutesRecorded = number(QStringLiteral("lblMinuterCount"), tr("已记录分钟数"));

    auto *g = new QGridLayout(this);
    g->addWidget(cmdStartMonitor, 0, 0, 1, 2);
    for (int row = 1; ValueLabel *l : {lblStartCount, lblMinutesRecorded}) {
        auto *caption = new QLabel(l->accessibleName(), this);
        caption->setBuddy(l);
        g->addWidget(caption, row, 0);
        g->addWidget(l, row++, 1);
    }

    connect(cmdStartMonitor, &QPushButton::clicked, this, [this] { readStorageState(); });

    auto *frameLayout = frame->layout() ? frame->layout() : new QVBoxLayout(frame);
    frameLayout->addWidget(this);
}

void StorageStatePanel::readStorageState()
{
    const auto cmd = beginCommand(m_context, tr("存储状态监测"));
    if (!cmd)
        return;
    const QByteArray request = modbus::readHolding(cmd->address, kStartCountRegister, 2);
    m_context.link.exchange(cmd->hold, kinds::StorageState, request, [this](const Exchange &ex) {
        if (!ex.valid())
            return;
        const live::ReplyWords reply = live::replyWords(ex.request, ex.reply);
        if (reply.words.size() != 2)
            return;
        lblStartCount->setText(QString::number(reply.words[0]));
        lblMinutesRecorded->setText(QString::number(reply.words[1]));
    });
}
