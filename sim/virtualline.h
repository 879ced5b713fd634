#pragma once
// A line on virtual time for tests and benchmarks: the simulated recorder's devices answer on it as on
// a wire (each answer after its request's and its own bytes' time at the line's rate, plus the
// device's turnaround), and a plan says, request by request, how each answer goes (late, lost, cut,
// doubled, followed by noise) and what stray frames meet the line. Nothing real waits: a wait of the
// link runs what falls due in it at once, so a download of hundreds of exchanges takes milliseconds
// and a seed replays exactly.
#include "core/link/line.h"
#include "core/link/linkclock.h"
#include "sim/simmemory.h"

#include <QVector>
#include <functional>
#include <map>
#include <vector>

namespace sim {

class VirtualClock final : public LinkClock {
public:
    qint64 nowNs() const override { return m_now; }
    void runUntil(qint64 deadlineNs, const bool &finished) override;
    void sleepNs(qint64 ns) override { m_now += std::max<qint64>(ns, 0); }
    // fn runs at atNs, or at the next look when that time has passed.
    void at(qint64 atNs, std::function<void()> fn);
    void runDue();
    // The host's clock (ms since the epoch) the devices see: a fixed start plus the virtual time.
    qint64 hostMs() const { return StartMs + m_now / 1'000'000; }
    static constexpr qint64 StartMs = 1'796'000'000'000;  // 2026-11-30

private:
    struct Event {
        qint64 t;
        quint64 seq;
        std::function<void()> fn;
    };
    std::vector<Event> m_queue;  // a heap on (t, seq)
    qint64 m_now = 0;
    quint64 m_seq = 0;
};

// How one answer goes. Times are in nanoseconds after the answer's ordinary end on the wire.
struct Delivery {
    qint64 lateNs = 0;
    bool lost = false;        // the device handled the request, but its answer never arrives
    int cutBy = 0;            // bytes lost from the answer's end
    bool doubled = false;     // the answer goes out twice, back to back
    QByteArray noise;         // bytes that follow the answer at once
    // A copy of the device's previous answer that reaches the master sooner than any answer could (a
    // device server's stale buffer, a repeater): at this fraction (0 … 1) of the time the request's
    // and the copy's bytes take on the wire after the request was written. Below 0: none.
    double strayEarly = -1;
};
using Plan = std::function<Delivery(const QByteArray &request, int serial)>;

class VirtualLine final : public Line {
    Q_OBJECT
public:
    VirtualLine(VirtualClock &clock, int baud, QObject *parent = nullptr);

    // The devices on the line; one is added with the simulator's defaults.
    DeviceState &device(uint8_t address);
    void setPlan(Plan plan) { m_plan = std::move(plan); }
    void setTurnaroundNs(qint64 ns) { m_turnaroundNs = ns; }
    // Requests a busy device keeps to answer in turn (0, default: one heard while it is busy is lost,
    // as the recorder's firmware does).
    void setHeldFrames(int frames) { m_heldFrames = frames; }

    QString open(int com, std::stop_token stop = {}) override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString name() const override { return QStringLiteral("virtual"); }
    void write(const QByteArray &frame) override;
    QByteArray readAll() override { return std::exchange(m_buffer, QByteArray()); }
    bool poll() override;
    void discardInput() override { m_buffer.clear(); }
    bool setBaudRate(int baud) override;
    int baudRate() const override { return m_baud; }

    int requestsWritten() const { return m_requestsWritten; }
    // The stray copies delivered.
    const QVector<QByteArray> &strays() const { return m_strays; }

private:
    void deliver(const QByteArray &bytes);
    qint64 wireNs(qsizetype bytes) const { return qint64(bytes) * 10'000'000'000LL / m_baud; }

    VirtualClock &m_clock;
    int m_baud;
    bool m_open = false;
    bool m_polling = false;
    qint64 m_turnaroundNs = 2'000'000;
    int m_heldFrames = 0;
    int m_session = 0;  // answers meant for a line closed since are not delivered
    QByteArray m_buffer;
    Plan m_plan;
    std::map<uint8_t, DeviceState> m_devices;
    std::map<uint8_t, std::vector<qint64>> m_workEndsNs;  // when each frame a device holds is answered
    std::map<uint8_t, QByteArray> m_lastAnswer;
    int m_requestsWritten = 0;
    QVector<QByteArray> m_strays;
};

} // namespace sim
