#pragma once
#include "core/jobs/poller.h"
#include "ui/boxinput.h"
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class LiveValuesPanel;
class QGroupBox;
class QLineEdit;
class QPushButton;
struct PanelContext;

// "单次采集" (Frame11): the single read, the cyclic read (Timer2) and the multi-device loop (Timer5),
// each a poller (jobs::Poller: a tick waits while the bus is held and holds it quietly), and their
// stop. The boxes are read afresh at every tick.
class PollingPanel : public QWidget {
    Q_OBJECT
public:
    PollingPanel(PanelContext &context, LiveValuesPanel &values, QGroupBox *frame);

    void readOnce();         // "单次": 20 registers from the device of "MODBUS-RTU设置"
    void startCyclicRead();  // "循环": counters to 0, cyclicPoller at the interval
    void startLoop();        // "多设备循检": loopAddress from the first address, loopPoller
    void stopPolling();      // "停止": both pollers off, counters to 0
    // One tick of a poller now, as its timer would run it.
    void runCyclicTick();
    void runLoopTick();

    QPushButton *cmdReadOnce;
    QPushButton *cmdCyclicRead;
    QPushButton *cmdStopPolling;
    QPushButton *cmdLoop;
    std::array<QLineEdit *, 1> txtTimerSet{};
    QLineEdit *txtLoopFirst;     // first device address of the loop, also its first register
    QLineEdit *txtLoopLast;      // last device address of the loop
    jobs::Poller *cyclicPoller;  // cyclic read
    jobs::Poller *loopPoller;    // multi-device loop
    int loopAddress = 0;         // the device of the loop's last tick

private:
    using Target = jobs::LiveTarget;
    struct LoopFields {
        uint8_t first;
        uint8_t last;
        uint8_t function;
        uint8_t count;
    };
    std::optional<Target> cyclicTarget(const BeforeMessage &beforeMessage);
    std::optional<LoopFields> loopFields(const BeforeMessage &beforeMessage);
    // False, said on the status line, when the port is closed: a timed mode started so would
    // never read anything.
    bool portOpenToStart(jobs::Poller *poller, const QString &refusal);
    // A poller of this panel: its pause said on the status line, its reads shown.
    jobs::Poller *poller(jobs::Poller::NextTarget next, const QString &pause);
    std::optional<Target> cyclicTick();
    std::optional<Target> loopTick();
    bool windowShown();

    PanelContext &m_context;
    LiveValuesPanel &m_values;
};
