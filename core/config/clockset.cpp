#include "core/config/clockset.h"
#include "core/config/recordersettings.h"
#include "core/link/writes.h"
#include <QCoreApplication>

namespace clockfields {

ClockSet setClock(Link &link, const Link::Hold &hold, uint8_t address, const std::array<uint8_t, BoxCount> &bcd)
{
    ClockSet set;
    const auto note = [&](const QString &what, const Exchange &ex) {
        const QString problem = recorder::writeProblem(ex);
        if (!ex.sent || ex.aborted) {
            set.ended = problem;
            return false;  // port closed or the command stopped: nothing more goes out
        }
        if (!problem.isEmpty())
            set.unconfirmed << QCoreApplication::translate("clockfields", "%1（%2）").arg(what, problem);
        return true;
    };
    for (const auto &w : setWrites(bcd)) {
        if (!note(QCoreApplication::translate("clockfields", "寄存器 %1").arg(w.reg), setRegister(link, hold, address, w.reg, w.value)))
            return set;
        link.pause(hold, 500);
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
