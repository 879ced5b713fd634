#pragma once
#include "core/link/linkobserver.h"
#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>
#include <deque>

// What the line carried, frame by frame, for the bus monitor. A record holds only the bytes and when
// they came; the words a person reads are made from it when it is shown, so a long download costs one
// append a frame and the log's memory stays bounded.
struct FrameRecord {
    qint64 timeMs = 0;    // ms since the epoch, when the first byte went out or was seen
    qint32 gapUs = -1;    // silence on the line before it; -1: not known
    FrameKind kind = FrameKind::Sent;
    QByteArray bytes;
    QByteArray request;   // for all but a request: the last request sent before it
};

// The one-line reading of a frame.
struct FrameText {
    int address = -1;     // the device it is from or to; -1: no byte says
    bool error = false;   // an exception, a bad CRC, a torn or overlong frame, stray bytes, no reply
    QString text;
};

namespace framelog {
FrameText decode(const FrameRecord &frame);
// The device a frame belongs to, without decoding it: its first byte, or the request's for no reply.
int address(const FrameRecord &frame);
QString timeText(qint64 timeMs);      // "14:30:45.123", local time
QString gapText(qint32 gapUs);        // "3.6" (ms); "—" when not known; "> 60000" past a minute
QString directionText(FrameKind kind);  // "发" for a request, "无应答" for a silence, "收" for everything heard
} // namespace framelog

// The frames of the line, oldest first, at most capacity of them: the oldest go first. Each frame keeps
// its sequence number for good, so a view knows what it has shown after the oldest are gone.
//
// A full log holds a hundred thousand frames, so a frame is kept packed: a small fixed record, and its
// bytes copied into one store shared by all (never the array it came in, which may be a read buffer
// many times its size). The request a reply follows is found again, not kept twice.
//
// It observes a link (Link::setObserver): every frame the link announces is appended.
class FrameLog final : public LinkObserver {
public:
    static constexpr qsizetype DefaultCapacity = 100'000;
    explicit FrameLog(qsizetype capacity = DefaultCapacity) : m_capacity(capacity) {}

    void append(FrameKind kind, qint64 timeMs, qint32 gapUs, const QByteArray &bytes);
    void frameSeen(FrameKind kind, qint64 timeMs, qint32 gapUs, const QByteArray &bytes) override
    {
        append(kind, timeMs, gapUs, bytes);
    }
    // Sequence numbers held: firstSeq() … endSeq() - 1.
    qint64 firstSeq() const { return m_first; }
    qint64 endSeq() const { return m_first + qint64(m_frames.size()); }
    bool contains(qint64 seq) const { return seq >= firstSeq() && seq < endSeq(); }
    // The frame, made anew on each call.
    FrameRecord at(qint64 seq) const;
    qsizetype size() const { return qsizetype(m_frames.size()); }
    qsizetype capacity() const { return m_capacity; }
    // Forgets every frame; the numbering goes on.
    void clear();

private:
    struct Slot {
        qint64 timeMs;
        qint64 offset;         // where its bytes start, counted over every byte ever stored
        qint32 gapUs;
        quint32 length;
        quint32 requestBack;   // how many frames back the last request before it is; 0: none or itself one
        FrameKind kind;
    };
    const Slot &slot(qint64 seq) const { return m_frames[size_t(seq - m_first)]; }
    QByteArray bytesOf(const Slot &s) const;
    QByteArray requestAt(qint64 seq) const;
    void dropOldest();

    std::deque<Slot> m_frames;
    std::deque<char> m_bytes;   // the frames' bytes, one after the other, oldest first
    qint64 m_first = 0;
    qint64 m_byteBase = 0;      // the offset of m_bytes' first byte
    qint64 m_lastRequestSeq = -1;
    // The newest request no longer held, for the frames kept that followed it.
    qint64 m_goneRequestSeq = -1;
    QByteArray m_goneRequest;
    qsizetype m_capacity;
};

namespace framelog {
// The frames given, as a person reads them: one line each (time, direction, gap, hex, reading), or
// as CSV with a header row. Files are UTF-8.
QByteArray textFile(const FrameLog &log, const QVector<qint64> &seqs);
QByteArray csvFile(const FrameLog &log, const QVector<qint64> &seqs);
} // namespace framelog
