#pragma once
#include "core/link/linkclock.h"
#include "core/link/linkobserver.h"
#include <QByteArray>
#include <QVarLengthArray>

// Tells a link's observer the frames of its exchanges: a request, bytes dropped, and a reply cut into
// its echo, the reply and what trailed it, each piece with the time it came and the silence before it.
// With no observer nothing is kept or computed.
class FrameAnnouncer {
public:
    explicit FrameAnnouncer(const LinkTime &time) : m_time(time) {}
    void setObserver(LinkObserver *observer) { m_observer = observer; }
    LinkObserver *observer() const { return m_observer; }
    bool watched() const { return m_observer != nullptr; }

    // Times: lastNs is when the line's last byte went or came (on the link's time); the silence before
    // a frame is counted from it.
    // A frame whole as it is seen now (no reply: no bytes).
    void now(FrameKind kind, qint64 lastNs, const QByteArray &bytes);
    // A request handed to the line; its own bytes take wireUs on the wire after that.
    void requestSent(const QByteArray &request, qint64 lastNs, qint32 wireUs);
    // A piece of the reply begins at offset.
    void piece(qsizetype offset, qint64 lastNs);
    // The reply's bytes from offset on were taken away (dropped as a stray answer).
    void cutFrom(qsizetype offset);
    // The reply is done: its first echo bytes were the echo, the bytes from settleStart on came while
    // it settled.
    void reply(const QByteArray &reply, qsizetype echo, qsizetype settleStart, qint64 lastNs);

private:
    qint32 silenceUs(qint64 lastNs) const;

    const LinkTime &m_time;
    LinkObserver *m_observer = nullptr;
    // Where each piece of the reply began and when it came, so the frames cut from it get their own
    // times (kept only for an observer).
    struct Chunk { qsizetype offset; qint64 timeMs; qint32 gapUs; };
    QVarLengthArray<Chunk, 8> m_chunks;
    qint32 m_requestWireUs = 0;  // how long the last request takes on the wire
};
