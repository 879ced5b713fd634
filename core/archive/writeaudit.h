#pragma once
#include "core/archive/recordstore.h"
#include "core/link/exchange.h"
#include <QHash>
#include <QObject>
#include <functional>
#include <optional>

// Every write a link sends to a recorder goes into the audit trail from here, whichever command sent
// it: the registers and coils of the settings, the clock, the polling table, a settings file loaded,
// a clear of the count. The old value is the one last read from the same register on this link
// (empty when it was not read); a write the recorder did not confirm is audited with what came back,
// since it may have been taken all the same.
namespace archive {

// What a request writes, in words: "寄存器 116（记录间隔）= 60"; nothing for a request that writes
// nothing (a read) or is no whole frame.
struct WriteWords {
    uint8_t address = 0;
    uint16_t first = 0;        // the first register or coil written
    QList<uint16_t> values;    // a coil: 1 on, 0 off
    bool coil = false;
    QString text;
};
std::optional<WriteWords> describeWrite(const QByteArray &request);

class WriteAudit : public QObject {
    Q_OBJECT
public:
    using RecorderName = std::function<QString(uint8_t address)>;
    using Sink = std::function<void(const AuditEntry &entry)>;
    WriteAudit(Link &link, RecorderName name, Sink sink, QObject *parent = nullptr);

private:
    void finished(const Exchange &ex);
    // The time the clock's four write registers set, when all of them are known.
    std::optional<QDateTime> knownClock(uint8_t address) const;
    // The holding registers last read or written on the link: (address << 16 | register) → value.
    QHash<quint32, quint16> m_known;
    RecorderName m_name;
    Sink m_sink;
};

} // namespace archive
