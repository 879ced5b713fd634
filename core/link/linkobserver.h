#pragma once
#include <QByteArray>
#include <QtGlobal>
#include <cstdint>

// What kind of frame the line carried, as the bus monitor tells them apart.
enum class FrameKind : uint8_t {
    Sent,      // a request
    Received,  // the reply to it (its echo taken off)
    Echo,      // the adapter's echo of the request
    Dropped,   // bytes nobody asked for: before a request, while waiting for silence, after a reply's wait
    Trailing,  // bytes that followed a complete reply while it settled
    NoReply,   // nothing came within the reply's wait (no bytes)
};

// Whoever watches a link's frames (the bus monitor's log). The link announces each frame sent or heard
// as it knows it: a reply once it is cut into its echo, the reply itself and what trailed it.
// timeMs: ms since the epoch when its first byte went out or was seen; gapUs: the silence before it.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    virtual void frameSeen(FrameKind kind, qint64 timeMs, qint32 gapUs, const QByteArray &bytes) = 0;
};
