#include "core/config/clockset.h"
#include "core/config/recordersettings.h"
#include "core/link/writes.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <algorithm>
#include <cmath>

namespace clockfields {

namespace {
constexpr int PauseMs = 500;  // the recorder's, after each register write
constexpr int MaxPlans = 3;   // a set that falls behind its second writes the registers again for a later one

// A frame of bytes on the line at its rate (ten bits a byte), in milliseconds rounded up.
int wireMs(const Link &link, int bytes)
{
    return int(std::ceil(bytes * 10'000.0 / std::max(link.baudRate(), 1)));
}

// The first whole second at or after t.
QDateTime wholeSecondFrom(const QDateTime &t)
{
    const int ms = t.time().msec();
    return ms ? t.addMSecs(1000 - ms) : t;
}
} // namespace

ClockSet setClock(Link &link, const Link::Hold &hold, uint8_t address, const std::function<QDateTime()> &now)
{
    ClockSet set;
    const auto note = [&](const QString &what, const Exchange &ex) {
        const QString problem = recorder::writeProblem(ex);
        if (!ex.sent || ex.aborted) {
            set.ended = problem;
            set.time = {};
            return false;  // port closed or the command stopped: nothing more goes out
        }
        if (!problem.isEmpty())
            set.unconfirmed << QCoreApplication::translate("clockfields", "%1（%2）").arg(what, problem);
        return true;
    };
    // The PC's time read once; how long the writes take is measured on a monotonic clock, which a clock
    // stepped meanwhile (or a test's fixed one) does not move.
    const QDateTime start = now();
    QElapsedTimer elapsed;
    elapsed.start();
    const auto pcNow = [&] { return start.addMSecs(elapsed.elapsed()); };
    // The longest a register write takes: its frame, the longest wait for the reply, the pause the
    // recorder needs after it and the set's own. Coil 8 is taken when its last byte is in.
    const int writeMs = wireMs(link, 8) + kinds::SetReg.firstWaitMs + kinds::SetReg.pauseAfterMs + PauseMs;
    const int coilMs = wireMs(link, 8);
    QHash<uint16_t, uint16_t> written;
    const auto isWritten = [&](const RegisterWrite &w) { return written.contains(w.reg) && written[w.reg] == w.value; };
    for (int plan = 1;; ++plan) {
        // The second coil 8 goes at: far enough ahead for the writes it needs, as few as may do.
        std::array<RegisterWrite, 4> writes{};
        for (int due = 1; due <= int(writes.size()); ++due) {
            set.time = wholeSecondFrom(pcNow().addMSecs(qint64(due) * writeMs + coilMs));
            const auto bcd = bcdOf(set.time);
            if (!bcd) {
                set.time = {};
                set.ended = QCoreApplication::translate("clockfields", "电脑时钟超出了记录仪的年份范围");
                return set;
            }
            writes = setWrites(*bcd);
            if (std::count_if(writes.begin(), writes.end(), [&](const RegisterWrite &w) { return !isWritten(w); }) <= due)
                break;
        }
        for (const auto &w : writes) {
            if (isWritten(w))
                continue;
            if (!note(QCoreApplication::translate("clockfields", "寄存器 %1").arg(w.reg), setRegister(link, hold, address, w.reg, w.value)))
                return set;
            written.insert(w.reg, w.value);
            link.pause(hold, PauseMs);
        }
        const qint64 early = pcNow().msecsTo(set.time) - coilMs;
        if (early >= 0 || plan == MaxPlans) {
            if (early > 0)
                link.pause(hold, int(early));
            break;
        }
    }
    note(QCoreApplication::translate("clockfields", "线圈 %1").arg(SetCoil), setCoil(link, hold, address, SetCoil, true));
    return set;
}

std::optional<std::array<uint8_t, BoxCount>> bcdOf(const QDateTime &time)
{
    const auto texts = boxTexts(time);
    std::array<uint8_t, BoxCount> bcd{};
    for (int i = 0; i < BoxCount; ++i) {
        const auto b = toBcd(texts[i], fields()[i].lo, fields()[i].hi);
        if (!b)
            return std::nullopt;
        bcd[i] = *b;
    }
    return bcd;
}

} // namespace clockfields
