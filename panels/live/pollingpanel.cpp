#include "panels/live/pollingpanel.h"
#include "ui/commandstart.h"
#include "ui/boxinput.h"
#include "ui/panelcontext.h"
#include "core/link/exchange.h"
#include "panels/live/livevaluespanel.h"
#include <tuple>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PollingPanel::PollingPanel(PanelContext &context, LiveValuesPanel &values, QGroupBox *frame)
    : QWidget(frame), m_context(context), m_values(values)
{
    setObjectName(QStringLiteral("PollingPanel"));
    auto button = [this](const QString &name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    cmdReadOnce = button(QStringLiteral("comDoOnce"), tr("单次"));
    cmdCyclicRead = button(QStringLiteral("cmdOneM"), tr("循环"));
    cmdStopPolling = button(QStringLiteral("cmdStopOnce"), tr("停止"));
    cmdLoop = button(QStringLiteral("cmdLoop"), tr("多设备循检"));
    // The single read holds the bus; the timed modes only start timers whose ticks wait their turn,
    // and the stop must always work.
    cmdReadOnce->setProperty("deviceCommand", true);

    auto *g = new QGridLayout(this);
    g->addWidget(cmdReadOnce, 0, 0);
    g->addWidget(cmdCyclicRead, 0, 1);
    g->addWidget(cmdStopPolling, 0, 2);
    g->addWidget(cmdLoop, 0, 3);
    auto box = [&](const QString &name, const QString &text, const QString &caption, int row, int col) {
        auto *label = new QLabel(caption, this);
        auto *e = new QLineEdit(text, this);
        e->setObjectName(name);
        e->setMaximumWidth(80);
        label->setBuddy(e);
        g->addWidget(label, row, col);
        g->addWidget(e, row, col + 1);
        return e;
    };
    txtTimerSet[0] = box(QStringLiteral("txtTimerSet(0)"), QStringLiteral("1000"), tr("定时(ms)"), 1, 0);
    txtLoopFirst = box(QStringLiteral("txtStrarid"), QStringLiteral("1"), tr("超始设备地址"), 2, 0);
    txtLoopLast = box(QStringLiteral("txtEndId"), QStringLiteral("4"), tr("终止设备地址"), 2, 2);

    cyclicPoller = poller([this] { return cyclicTick(); }, tr("串口已关闭，循环采集暂停；重新打开串口后继续。"));
    cyclicPoller->setObjectName(QStringLiteral("Timer2"));
    loopPoller = poller([this] { return loopTick(); }, tr("串口已关闭，多设备循检暂停；重新打开串口后继续。"));
    loopPoller->setObjectName(QStringLiteral("Timer5"));

    // A timed read under way shows: its button stays down, and the status line says so.
    for (auto [b, p, what] : {std::tuple(cmdCyclicRead, cyclicPoller, tr("循环采集中")), std::tuple(cmdLoop, loopPoller, tr("多设备循检中"))}) {
        b->setCheckable(true);
        connect(p, &jobs::Poller::runningChanged, this, [this, b, what](bool running) {
            b->setChecked(running);
            if (running)
                m_context.view.showStatus(tr("%1（按“停止”结束）").arg(what));
        });
        // A click that starts nothing leaves it up; one on a running read keeps it down.
        connect(b, &QPushButton::clicked, this, [b, p] { b->setChecked(p->isActive()); });
    }
    connect(cmdReadOnce, &QPushButton::clicked, this, [this] { readOnce(); });
    connect(cmdCyclicRead, &QPushButton::clicked, this, [this] { startCyclicRead(); });
    connect(cmdStopPolling, &QPushButton::clicked, this, [this] { stopPolling(); });
    connect(cmdLoop, &QPushButton::clicked, this, [this] { startLoop(); });

    auto *frameLayout = frame->layout() ? frame->layout() : new QVBoxLayout(frame);
    frameLayout->addWidget(this);
}

std::optional<PollingPanel::Target> PollingPanel::cyclicTarget(const BeforeMessage &beforeMessage)
{
    ModbusSettings &m = m_context.modbus;
    const auto device = m.deviceAddress(beforeMessage);
    if (!device)
        return std::nullopt;
    const auto function = m.function(beforeMessage);
    if (!function)
        return std::nullopt;
    const auto start = m.startRegister(beforeMessage);
    if (!start)
        return std::nullopt;
    const auto count = m.registerCount(beforeMessage);
    if (!count)
        return std::nullopt;
    return Target{*device, *function, *start, *count};
}

std::optional<PollingPanel::LoopFields> PollingPanel::loopFields(const BeforeMessage &beforeMessage)
{
    Desktop &d = m_context.desktop;
    const auto first = boxDevice(d, txtLoopFirst, tr("超始设备地址"), beforeMessage);
    if (!first)
        return std::nullopt;
    const auto last = boxDevice(d, txtLoopLast, tr("终止设备地址"), beforeMessage);
    if (!last)
        return std::nullopt;
    const auto function = m_context.modbus.function(beforeMessage);
    if (!function)
        return std::nullopt;
    const auto count = m_context.modbus.registerCount(beforeMessage);
    if (!count)
        return std::nullopt;
    return LoopFields{*first, *last, *function, *count};
}

void PollingPanel::readOnce()
{
    // A single read always asks for twenty registers, and says so in the box.
    m_context.modbus.showRegisterCount(20);
    const auto target = cyclicTarget({});
    if (!target)
        return;
    auto hold = holdBus(m_context, tr("单次"));
    if (!hold)
        return;
    m_values.readAndShow(*hold, *target);
}

void PollingPanel::startCyclicRead()
{
    // Refused settings do not start the cyclic read, nor let an earlier one go on with them.
    const BeforeMessage stop = [this] { cyclicPoller->stop(); };
    const auto interval = boxInterval(m_context.desktop, txtTimerSet[0], stop);
    if (!interval || !cyclicTarget(stop))
        return;
    if (!portOpenToStart(cyclicPoller, tr("串口未打开，无法开始循环采集。请先打开串口。")))
        return;
    cyclicPoller->start(*interval);
}

void PollingPanel::startLoop()
{
    const BeforeMessage stop = [this] { loopPoller->stop(); };
    const auto interval = boxInterval(m_context.desktop, txtTimerSet[0], stop);
    if (!interval)
        return;
    const auto fields = loopFields(stop);
    if (!fields)
        return;
    if (!portOpenToStart(loopPoller, tr("串口未打开，无法开始多设备循检。请先打开串口。")))
        return;
    loopAddress = fields->first;
    loopPoller->start(*interval);
}

void PollingPanel::stopPolling()
{
    // A tick's exchange that is waiting ends now, so it neither counts nor shows anything after the stop.
    cyclicPoller->stop();
    loopPoller->stop();
}

jobs::Poller *PollingPanel::poller(jobs::Poller::NextTarget next, const QString &pause)
{
    auto *p = new jobs::Poller(m_context.link, std::move(next), this);
    // Closing the port pauses the pollers, it does not stop them: said once, not at every tick.
    connect(p, &jobs::Poller::paused, this, [this, pause](bool closed) {
        if (closed)
            m_context.view.showStatus(pause);
    });
    connect(p, &jobs::Poller::read, this, [this](const jobs::LiveTarget &target, const jobs::LiveReading &reading, bool) {
        m_values.show(target, reading);
    });
    return p;
}

bool PollingPanel::portOpenToStart(jobs::Poller *poller, const QString &refusal)
{
    // With the port closed every tick would be skipped: nothing would ever show why.
    if (portOpenOrSay(m_context, refusal))
        return true;
    poller->stop();
    return false;
}

bool PollingPanel::windowShown()
{
    // The window was closed: polling ends with it.
    if (window()->isVisible())
        return true;
    cyclicPoller->stop();
    loopPoller->stop();
    return false;
}

void PollingPanel::runCyclicTick()
{
    cyclicPoller->tick();
}

void PollingPanel::runLoopTick()
{
    loopPoller->tick();
}

std::optional<PollingPanel::Target> PollingPanel::cyclicTick()
{
    if (!windowShown())
        return std::nullopt;
    // The boxes are taken afresh: edits count from the next tick; a box that turned invalid stops
    // the cyclic read (before its message, so the message is not repeated at every tick).
    return cyclicTarget([this] { cyclicPoller->stop(); });
}

std::optional<PollingPanel::Target> PollingPanel::loopTick()
{
    if (!windowShown())
        return std::nullopt;
    const auto fields = loopFields([this] { loopPoller->stop(); });
    if (!fields)
        return std::nullopt;
    // first + 1, …, last, first, …; with first not below last, always first.
    loopAddress += 1;
    if (fields->last < loopAddress)
        loopAddress = fields->first;
    // The loop's first register comes from the first-address box, not from "起始地址".
    return Target{uint8_t(loopAddress), fields->function, uint16_t(fields->first - 1), fields->count};
}
