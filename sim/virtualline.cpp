#include "sim/virtualline.h"
#include <algorithm>

namespace sim {

namespace {
bool later(const auto &a, const auto &b) { return a.t != b.t ? a.t > b.t : a.seq > b.seq; }
} // namespace

void VirtualClock::at(qint64 atNs, std::function<void()> fn)
{
    m_queue.push_back({atNs, m_seq++, std::move(fn)});
    std::push_heap(m_queue.begin(), m_queue.end(), [](const Event &a, const Event &b) { return later(a, b); });
}

void VirtualClock::runUntil(qint64 deadlineNs, const bool &finished)
{
    while (!finished) {
        if (m_queue.empty() || m_queue.front().t > deadlineNs) {
            m_now = std::max(m_now, deadlineNs);
            return;
        }
        std::pop_heap(m_queue.begin(), m_queue.end(), [](const Event &a, const Event &b) { return later(a, b); });
        Event e = std::move(m_queue.back());
        m_queue.pop_back();
        m_now = std::max(m_now, e.t);
        e.fn();
    }
}

void VirtualClock::runDue()
{
    const bool never = false;
    runUntil(m_now, never);
}

VirtualLine::VirtualLine(VirtualClock &clock, int baud, QObject *parent) : Line(parent), m_clock(clock), m_baud(std::max(baud, 1))
{
}

DeviceState &VirtualLine::device(uint8_t address)
{
    auto [it, added] = m_devices.try_emplace(address);
    if (added) {
        it->second.address = address;
        it->second.rate = m_baud;
    }
    return it->second;
}

QString VirtualLine::open(int, std::stop_token)
{
    m_open = true;
    ++m_session;
    m_buffer.clear();
    return QString();
}

bool VirtualLine::setBaudRate(int baud)
{
    m_baud = std::max(baud, 1);
    return true;
}

bool VirtualLine::poll()
{
    m_polling = true;
    m_clock.runDue();
    m_polling = false;
    return !m_buffer.isEmpty();
}

void VirtualLine::deliver(const QByteArray &bytes)
{
    m_buffer += bytes;
    if (!m_polling)
        emit readyRead();
}

void VirtualLine::write(const QByteArray &frame)
{
    const qint64 now = m_clock.nowNs();
    const int serial = m_requestsWritten++;
    if (frame.isEmpty())
        return;
    const uint8_t address = uint8_t(frame[0]);
    const auto dev = m_devices.find(address);
    if (dev == m_devices.end())
        return;
    // A device handles one request at a time; the frames it can hold wait meanwhile, any further one
    // is lost.
    const qint64 heard = now + wireNs(frame.size());
    std::vector<qint64> &work = m_workEndsNs[address];
    std::erase_if(work, [heard](qint64 end) { return end <= heard; });
    if (int(work.size()) > m_heldFrames)
        return;
    const qint64 starts = work.empty() ? heard : work.back();
    const Delivery d = m_plan ? m_plan(frame, serial) : Delivery{};
    const int session = m_session;
    if (d.strayEarly >= 0 && !m_lastAnswer[address].isEmpty()) {
        const QByteArray stray = m_lastAnswer[address];
        m_strays.append(stray);
        const qint64 at = now + qint64(d.strayEarly * double(wireNs(frame.size()) + wireNs(stray.size())));
        m_clock.at(at, [this, stray, session] { if (session == m_session && m_open) deliver(stray); });
    }
    const Handled h = handleRequest(dev->second, frame, m_clock.hostMs());
    if (h.reply.isEmpty())
        return;
    m_lastAnswer[address] = h.reply;
    const qint64 end = starts + m_turnaroundNs + wireNs(h.reply.size()) + d.lateNs;
    work.push_back(end);
    if (d.lost)
        return;
    QByteArray bytes = h.reply.left(h.reply.size() - std::clamp(d.cutBy, 0, int(h.reply.size())));
    if (d.doubled)
        bytes += bytes;
    bytes += d.noise;
    m_clock.at(end, [this, bytes, session] { if (session == m_session && m_open) deliver(bytes); });
}

} // namespace sim
