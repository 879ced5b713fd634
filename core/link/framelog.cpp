#include "core/link/framelog.h"
#include <QCoreApplication>
#include "core/link/crc16.h"
#include "core/link/frames.h"
#include "core/link/hex.h"
#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <limits>

namespace framelog {

namespace {
QString functionName(uint8_t fn)
{
    switch (fn) {
    case modbus::ReadHoldingRegisters: return QCoreApplication::translate("framelog", "读保持寄存器");
    case modbus::ReadInputRegisters: return QCoreApplication::translate("framelog", "读输入寄存器");
    case modbus::WriteSingleCoil: return QCoreApplication::translate("framelog", "写单个线圈");
    case modbus::WriteSingleRegister: return QCoreApplication::translate("framelog", "写单个寄存器");
    case modbus::WriteMultipleRegisters: return QCoreApplication::translate("framelog", "写多个寄存器");
    default: return QCoreApplication::translate("framelog", "未知功能");
    }
}

uint8_t byteAt(const QByteArray &b, int at) { return uint8_t(b[at]); }
int word(const QByteArray &b, int at) { return (byteAt(b, at) << 8) | byteAt(b, at + 1); }

QString words(const QByteArray &b, int from, int count)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QString::number(word(b, from + 2 * i));
    return QCoreApplication::translate("framelog", "值 ") + out.join(QLatin1Char(' '));
}

// The length of the frame its first bytes announce; 0 while too few bytes say it. A function this
// program never sends is taken as the bytes that came.
int frameLength(const QByteArray &b, bool request)
{
    const uint8_t fn = byteAt(b, 1);
    if (fn & 0x80)
        return 5;
    switch (fn) {
    case modbus::ReadHoldingRegisters:
    case modbus::ReadInputRegisters:
        return request ? 8 : b.size() >= 3 ? 5 + byteAt(b, 2) : 0;
    case modbus::WriteSingleCoil:
    case modbus::WriteSingleRegister:
        return 8;
    case modbus::WriteMultipleRegisters:
        return !request ? 8 : b.size() >= 7 ? 9 + byteAt(b, 6) : 0;
    default:
        return b.size() >= 4 ? int(b.size()) : 0;
    }
}

// What a whole frame asks or answers. A read's reply says no start register: the request it answers
// does.
void details(const QByteArray &f, const QByteArray &request, bool isRequest, QStringList &parts, bool &error)
{
    const uint8_t fn = byteAt(f, 1);
    switch (fn) {
    case modbus::ReadHoldingRegisters:
    case modbus::ReadInputRegisters:
        if (isRequest) {
            parts << QCoreApplication::translate("framelog", "起始 %1，数量 %2").arg(word(f, 2)).arg(word(f, 4));
            return;
        }
        if (request.size() >= 6 && byteAt(request, 1) == fn) {
            parts << QCoreApplication::translate("framelog", "起始 %1，数量 %2").arg(word(request, 2)).arg(byteAt(f, 2) / 2);
            if (byteAt(f, 2) != 2 * word(request, 4)) {
                parts << QCoreApplication::translate("framelog", "字节数 %1 与请求的 %2 个寄存器不符").arg(byteAt(f, 2)).arg(word(request, 4));
                error = true;
            }
        } else {
            parts << QCoreApplication::translate("framelog", "数量 %1").arg(byteAt(f, 2) / 2);
        }
        parts << words(f, 3, byteAt(f, 2) / 2);
        return;
    case modbus::WriteSingleCoil: {
        const int v = word(f, 4);
        const QString value = v == 0xFF00 ? QStringLiteral("ON") : v == 0 ? QStringLiteral("OFF")
                                                                            : QCoreApplication::translate("framelog", "非法值 %1").arg(v);
        parts << QCoreApplication::translate("framelog", "线圈 %1 = %2").arg(word(f, 2)).arg(value);
        error = error || (v != 0xFF00 && v != 0);
        return;
    }
    case modbus::WriteSingleRegister:
        parts << QCoreApplication::translate("framelog", "寄存器 %1 = %2").arg(word(f, 2)).arg(word(f, 4));
        return;
    case modbus::WriteMultipleRegisters:
        parts << QCoreApplication::translate("framelog", "起始 %1，数量 %2").arg(word(f, 2)).arg(word(f, 4));
        if (isRequest) {
            if (byteAt(f, 6) != 2 * word(f, 4)) {
                parts << QCoreApplication::translate("framelog", "字节数 %1 与数量不符").arg(byteAt(f, 6));
                error = true;
            }
            parts << words(f, 7, byteAt(f, 6) / 2);
        }
        return;
    default:
        return;
    }
}

QString describe(const QByteArray &b, const QByteArray &request, bool isRequest, bool &error)
{
    if (b.isEmpty())
        return QCoreApplication::translate("framelog", "（无字节）");
    QStringList parts{QCoreApplication::translate("framelog", "地址 %1").arg(byteAt(b, 0))};
    const auto done = [&parts] { return parts.join(QCoreApplication::translate("framelog", "，")); };
    if (b.size() < 2) {
        error = true;
        parts << QCoreApplication::translate("framelog", "残帧：1 字节");
        return done();
    }
    const uint8_t fn = byteAt(b, 1) & 0x7F;
    parts << QCoreApplication::translate("framelog", "功能 %1 %2").arg(fn, 2, 10, QLatin1Char('0')).arg(functionName(fn));
    const int length = frameLength(b, isRequest);
    if (length == 0 || b.size() < length || b.size() < 4) {
        error = true;
        parts << (length > 0 ? QCoreApplication::translate("framelog", "残帧：%1 字节，应为 %2 字节").arg(b.size()).arg(length)
                             : QCoreApplication::translate("framelog", "残帧：%1 字节").arg(b.size()));
        return done();
    }
    const QByteArray frame = b.left(length);
    if (byteAt(b, 1) & 0x80) {
        const uint8_t code = byteAt(frame, 2);
        parts << QCoreApplication::translate("framelog", "异常应答：代码 %1 %2").arg(byteHex(code), modbus::exceptionName(code));
        error = true;
    } else {
        details(frame, request, isRequest, parts, error);
    }
    if (!isRequest && request.size() >= 2 && (b[0] != request[0] || fn != byteAt(request, 1))) {
        parts << QCoreApplication::translate("framelog", "不是所发请求的地址或功能码");
        error = true;
    }
    const bool crcGood = crcMatches(frame);
    parts << (crcGood ? QCoreApplication::translate("framelog", "CRC 正确") : QCoreApplication::translate("framelog", "CRC 错误"));
    error = error || !crcGood;
    if (b.size() > length) {
        parts << QCoreApplication::translate("framelog", "其后多出 %1 字节").arg(b.size() - length);
        error = true;
    }
    return done();
}
} // namespace

FrameText decode(const FrameRecord &frame)
{
    FrameText out;
    out.address = address(frame);
    switch (frame.kind) {
    case FrameKind::Sent:
        out.text = frame.bytes.isEmpty() ? QString() : describe(frame.bytes, {}, true, out.error);
        break;
    case FrameKind::Received:
        out.text = describe(frame.bytes, frame.request, false, out.error);
        break;
    case FrameKind::Echo:
        out.text = QCoreApplication::translate("framelog", "适配器回显的请求，已去除");
        break;
    case FrameKind::Dropped:
        out.text = QCoreApplication::translate("framelog", "丢弃的字节：") + describe(frame.bytes, frame.request, false, out.error);
        out.error = true;
        break;
    case FrameKind::Trailing:
        out.text = QCoreApplication::translate("framelog", "完整应答之后多出的字节：") + describe(frame.bytes, frame.request, false, out.error);
        out.error = true;
        break;
    case FrameKind::NoReply:
        // The row names what went unanswered: the device and the request.
        out.text = frame.request.isEmpty()
            ? QCoreApplication::translate("framelog", "无应答")
            : QCoreApplication::translate("framelog", "设备 %1 无应答：%2")
                  .arg(out.address)
                  .arg(QString::fromLatin1(frame.request.toHex(' ').toUpper()));
        out.error = true;
        break;
    }
    return out;
}

int address(const FrameRecord &frame)
{
    const QByteArray &b = frame.bytes.isEmpty() ? frame.request : frame.bytes;
    return b.isEmpty() ? -1 : byteAt(b, 0);
}

QString timeText(qint64 timeMs)
{
    return QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString gapText(qint32 gapUs)
{
    if (gapUs < 0)
        return QStringLiteral("—");
    if (gapUs > 60'000'000)
        return QStringLiteral("> 60000");
    return QString::number(gapUs / 1000.0, 'f', 1);
}

QString directionText(FrameKind kind)
{
    if (kind == FrameKind::NoReply)
        return QCoreApplication::translate("framelog", "无应答");
    return kind == FrameKind::Sent ? QCoreApplication::translate("framelog", "发") : QCoreApplication::translate("framelog", "收");
}

namespace {
QStringList fields(const FrameRecord &f)
{
    return {timeText(f.timeMs), directionText(f.kind), gapText(f.gapUs), QString::fromLatin1(f.bytes.toHex(' ').toUpper()),
            decode(f).text};
}

QByteArray csvField(const QString &text)
{
    QByteArray s = text.toUtf8();
    if (!s.contains(',') && !s.contains('"') && !s.contains('\n') && !s.contains('\r'))
        return s;
    return '"' + s.replace('"', "\"\"") + '"';
}
} // namespace

QByteArray textFile(const FrameLog &log, const QVector<qint64> &seqs)
{
    QByteArray out = QCoreApplication::translate("framelog", "时间          方向  间隔(ms)  十六进制 | 解析\r\n").toUtf8();
    for (qint64 seq : seqs) {
        if (!log.contains(seq))
            continue;
        const QStringList f = fields(log.at(seq));
        out += QStringLiteral("%1  %2  %3  %4 | %5\r\n").arg(f[0], f[1], f[2].rightJustified(8), f[3], f[4]).toUtf8();
    }
    return out;
}

QByteArray csvFile(const FrameLog &log, const QVector<qint64> &seqs)
{
    QByteArray out = QCoreApplication::translate("framelog", "时间,方向,间隔(ms),十六进制,解析\r\n").toUtf8();
    for (qint64 seq : seqs) {
        if (!log.contains(seq))
            continue;
        QByteArrayList row;
        for (const QString &field : fields(log.at(seq)))
            row << csvField(field);
        out += row.join(',') + "\r\n";
    }
    return out;
}
} // namespace framelog

void FrameLog::append(FrameKind kind, qint64 timeMs, qint32 gapUs, const QByteArray &bytes)
{
    if (m_capacity <= 0)
        return;
    if (size() >= m_capacity)
        dropOldest();
    const qint64 seq = endSeq();
    const qint64 back = kind == FrameKind::Sent || m_lastRequestSeq < 0 ? 0 : seq - m_lastRequestSeq;
    m_frames.push_back({timeMs, m_byteBase + qint64(m_bytes.size()), gapUs, quint32(bytes.size()),
                        back <= std::numeric_limits<quint32>::max() ? quint32(back) : 0, kind});
    m_bytes.insert(m_bytes.end(), bytes.cbegin(), bytes.cend());
    if (kind == FrameKind::Sent)
        m_lastRequestSeq = seq;
}

FrameRecord FrameLog::at(qint64 seq) const
{
    const Slot &s = slot(seq);
    FrameRecord r;
    r.timeMs = s.timeMs;
    r.gapUs = s.gapUs;
    r.kind = s.kind;
    r.bytes = bytesOf(s);
    if (s.requestBack > 0)
        r.request = requestAt(seq - s.requestBack);
    return r;
}

QByteArray FrameLog::bytesOf(const Slot &s) const
{
    QByteArray out(qsizetype(s.length), Qt::Uninitialized);
    const auto from = m_bytes.cbegin() + (s.offset - m_byteBase);
    std::copy(from, from + s.length, out.data());
    return out;
}

QByteArray FrameLog::requestAt(qint64 seq) const
{
    if (contains(seq))
        return bytesOf(slot(seq));
    return seq == m_goneRequestSeq ? m_goneRequest : QByteArray();
}

void FrameLog::dropOldest()
{
    const Slot &s = m_frames.front();
    if (s.kind == FrameKind::Sent) {
        m_goneRequestSeq = m_first;
        m_goneRequest = bytesOf(s);
    }
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + s.length);
    m_byteBase += s.length;
    m_frames.pop_front();
    ++m_first;
}

void FrameLog::clear()
{
    // What comes next may still answer the last request.
    if (contains(m_lastRequestSeq)) {
        m_goneRequestSeq = m_lastRequestSeq;
        m_goneRequest = bytesOf(slot(m_lastRequestSeq));
    }
    m_first = endSeq();
    m_byteBase += qint64(m_bytes.size());
    m_frames.clear();
    m_bytes.clear();
}
