#pragma once
#include "core/link/cancel.h"
#include "ui/boxinput.h"
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class LiveValuesPanel;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTimer;
struct PanelContext;

// "单次采集" (Frame11): the single read, the cyclic read (Timer2), the multi-device loop (Timer5)
// and their stop. Every reading is one live read (LiveValuesPanel::readAndShow). A tick that falls due while any
// command holds the bus is skipped, so polling never overlaps an exchange whatever the interval.
// A tick holds the bus quietly: the window's controls stay as they are (an open list stays open).
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
    QTimer *Timer2;          // cyclic read
    QTimer *Timer5;          // multi-device loop
    int CurrentAddress = 0;  // the device of the loop's last tick

private:
    struct Target {
        uint8_t device;
        uint8_t function;
        uint16_t start;
        uint8_t count;
    };
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
    bool portOpenToStart(QTimer *timer, const QString &refusal);
    // False when a tick finds the port closed; pause is said once until a tick finds it open again.
    bool portOpenForTick(const QString &pause);
    bool tickMayRun();
    void wrapCounter();
    void poll(const Target &target);
    void zeroCounters();

    PanelContext &m_context;
    LiveValuesPanel &m_values;
    std::optional<CommandCancel> m_tick;
    bool m_saidPaused = false;  // the cancel of the tick under way
};
