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

    void comDoOnce_Click();    // "单次": 20 registers from the device of "MODBUS-RTU设置"
    void cmdOneM_Click();      // "循环": counters to 0, Timer2 at the interval
    void cmdLoop_Click();      // "多设备循检": CurrentAddress from the first address, Timer5
    void cmdStopOnce_Click();  // "停止": both timers off, counters to 0
    void Timer2_Timer();
    void Timer5_Timer();

    QPushButton *comDoOnce;
    QPushButton *cmdOneM;
    QPushButton *cmdStopOnce;
    QPushButton *cmdLoop;
    std::array<QLineEdit *, 1> txtTimerSet{};
    QLineEdit *txtStrarid;   // first device address of the loop, also its first register
    QLineEdit *txtEndId;     // last device address of the loop
    jobs::Poller *Timer2;    // cyclic read
    jobs::Poller *Timer5;    // multi-device loop
    int CurrentAddress = 0;  // the device of the loop's last tick

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
    void wrapCounter();
    void zeroCounters();

    PanelContext &m_context;
    LiveValuesPanel &m_values;
};
