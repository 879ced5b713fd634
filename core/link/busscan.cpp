#include "core/link/busscan.h"
#include "core/link/crc16.h"
#include "core/link/frames.h"
#include "core/link/registers.h"
#include <QCoreApplication>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace scan {

namespace {
constexpr int ProbeRequestBytes = 8;
constexpr int ProbeReplyBytes = 7;  // address, 03, 02, one word, CRC
} // namespace

QByteArray probe(uint8_t address)
{
    return modbus::readHolding(address, recorder::SensorCountRegister, 1);
}

int windowMs(int waitMs, int baud)
{
    const double lineMs = (ProbeRequestBytes + ProbeReplyBytes) * 10.0 * 1000.0 / std::max(baud, 1);
    return waitMs + int(std::ceil(lineMs));
}

std::optional<Found> answerIn(const QByteArray &bytes, int first, int last)
{
    if (bytes.size() < 5)
        return std::nullopt;
    const int address = uint8_t(bytes[0]);
    if (address < first || address > last)
        return std::nullopt;
    // Judged as the answer to the probe of the address it names: only an exact frame counts.
    const modbus::ReplyInfo info = modbus::classifyReply(probe(uint8_t(address)), bytes);
    Found f;
    f.address = uint8_t(address);
    if (info.exact()) {
        f.answer = QCoreApplication::translate("scan", "传感器总数 %1").arg((uint8_t(bytes[3]) << 8) | uint8_t(bytes[4]));
        return f;
    }
    if (info.cls == modbus::ReplyClass::Exception && bytes.size() == 5) {
        f.answer = QCoreApplication::translate("scan", "异常应答 %1（%2）")
                       .arg(info.exceptionCode, 2, 16, QLatin1Char('0'))
                       .arg(modbus::exceptionName(info.exceptionCode));
        return f;
    }
    return std::nullopt;
}

} // namespace scan

BusScan::BusScan(Link &link, QObject *parent) : QObject(parent), m_link(link) {}

scan::Outcome BusScan::run(const Link::Hold &hold, const scan::Plan &plan)
{
    using End = scan::Outcome::End;
    scan::Outcome out;
    const qint32 rateBefore = m_link.baudRate();
    // The silence after noise or a late answer is the probe's own window, not the records' long guard.
    ExchangeKind kind = kinds::BusProbe;
    const int total = plan.total();
    int done = 0;
    const auto ended = [&] {
        if (const auto why = hold.cancel().reason()) {
            out.end = *why == CancelReason::Stop ? End::Stopped : *why == CancelReason::Closing ? End::Closing : End::PortLost;
            return true;
        }
        if (!m_link.isOpen()) {
            out.end = End::PortLost;
            return true;
        }
        return false;
    };
    for (const int baud : plan.rates) {
        if (ended())
            break;
        if (!m_link.setBaudRate(baud)) {
            out.refusedRates << baud;
            done += plan.addresses();
            continue;
        }
        kind.firstWaitMs = scan::windowMs(plan.waitMs, baud);
        kind.guardMs = kind.firstWaitMs;
        QSet<int> seen;  // addresses found at this rate
        const auto note = [&](scan::Found f) {
            if (seen.contains(f.address))
                return;
            seen.insert(f.address);
            f.baud = baud;
            out.found << f;
            emit found(f);
        };
        for (int a = plan.first; a <= plan.last && !ended(); ++a) {
            emit progress(done, total, baud, a);
            const Exchange ex = m_link.exchange(hold, kind, scan::probe(uint8_t(a)));
            ++done;
            if (!ex.sent || ex.aborted)
                continue;  // the loop's check says why
            ++out.asked;
            if (ex.reply.isEmpty())
                continue;
            // Noise (a device at another rate hears and answers garbage) or an answer that came late
            // leaves the line unsettled: the link keeps it silent before the next address is asked.
            if (auto f = scan::answerIn(ex.reply, plan.first, plan.last)) {
                f->late = f->address != a;
                note(*f);
            }
        }
    }
    if (m_link.isOpen())
        m_link.setBaudRate(rateBefore);
    return out;
}
