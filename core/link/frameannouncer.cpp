#include "core/link/frameannouncer.h"
#include <QDateTime>
#include <algorithm>
#include <limits>

qint32 FrameAnnouncer::silenceUs(qint64 lastNs) const
{
    return qint32(std::min<qint64>((m_time.nowNs() - lastNs) / 1000, std::numeric_limits<qint32>::max()));
}

void FrameAnnouncer::now(FrameKind kind, qint64 lastNs, const QByteArray &bytes)
{
    if (m_observer && (!bytes.isEmpty() || kind == FrameKind::NoReply))
        m_observer->frameSeen(kind, QDateTime::currentMSecsSinceEpoch(), silenceUs(lastNs), bytes);
}

void FrameAnnouncer::requestSent(const QByteArray &request, qint64 lastNs, qint32 wireUs)
{
    m_chunks.clear();
    if (!m_observer)
        return;
    now(FrameKind::Sent, lastNs, request);
    m_requestWireUs = wireUs;
}

void FrameAnnouncer::piece(qsizetype offset, qint64 lastNs)
{
    if (!m_observer)
        return;
    // The request's own bytes were still on the wire after the write returned: the silence before
    // the first answer starts when they end.
    const qint32 silence = silenceUs(lastNs);
    const qint32 gap = offset == 0 ? std::max<qint32>(0, silence - m_requestWireUs) : silence;
    m_chunks.append({offset, QDateTime::currentMSecsSinceEpoch(), gap});
}

void FrameAnnouncer::cutFrom(qsizetype offset)
{
    while (!m_chunks.isEmpty() && m_chunks.back().offset >= offset)
        m_chunks.removeLast();
}

void FrameAnnouncer::reply(const QByteArray &reply, qsizetype echo, qsizetype settleStart, qint64 lastNs)
{
    if (!m_observer)
        return;
    if (reply.isEmpty()) {
        now(FrameKind::NoReply, lastNs, {});
        return;
    }
    if (m_chunks.isEmpty())  // the observer came while the reply was under way
        return;
    // A frame cut from the middle of a piece followed its bytes before without a gap.
    const auto cut = [&](FrameKind kind, qsizetype from, qsizetype to) {
        if (from >= to)
            return;
        const Chunk *c = &m_chunks.front();
        for (const Chunk &k : m_chunks)
            if (k.offset <= from)
                c = &k;
        m_observer->frameSeen(kind, c->timeMs, c->offset == from ? c->gapUs : 0, reply.mid(from, to - from));
    };
    const qsizetype replyEnd = std::max(echo, settleStart);
    cut(FrameKind::Echo, 0, echo);
    if (replyEnd > echo)
        cut(FrameKind::Received, echo, replyEnd);
    else
        now(FrameKind::NoReply, lastNs, {});  // the echo alone
    for (qsizetype i = 0; i < m_chunks.size(); ++i) {
        const qsizetype from = std::max(m_chunks[i].offset, replyEnd);
        const qsizetype to = i + 1 < m_chunks.size() ? m_chunks[i + 1].offset : reply.size();
        cut(FrameKind::Trailing, from, to);
    }
}
