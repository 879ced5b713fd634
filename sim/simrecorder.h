#pragma once
#include "core/link/peerwitness.h"
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <memory>

// The simulated recorder: a Modbus-RTU slave on its own thread, served on a pseudo-terminal, as raw
// RTU behind a TCP listener (a transparent RS485-to-Ethernet device server) or as a Modbus TCP server
// (a gateway). The program (or a test) opens portPath() like any line of that kind. One simulator may
// answer at several addresses, each a recorder with its own registers, coils, clock and memory; every
// kind of line serves the same devices, faults and state.
namespace sim {

// One stored record: its time stamp and one 16-bit value per sensor (tenths, two's complement).
struct SimRecord {
    QDateTime time;
    QVector<uint16_t> values;
};

// Faults act on the device's RTU reply. On Modbus TCP that reply is then sent as an MBAP frame: the
// unit id is the reply's first byte (its address), the PDU the bytes between it and the last two (the
// CRC), and the length field counts what is sent; Trailing, Doubled, Split and Disconnect then act on
// the frame as sent.
enum class Fault {
    None,
    NoReply,        // the request is swallowed
    BadCrc,         // the reply's CRC is spoiled; on Modbus TCP, which carries no CRC, a plain reply
    Truncated,      // the reply loses its last truncateBy bytes; on Modbus TCP a whole MBAP frame whose
                    // PDU is truncateBy bytes short (the RTU reply's CRC and the rest as cut)
    Late,           // the reply leaves only after lateMs; the device is busy until then and
                    // ignores every request that reaches it meanwhile (it handles one at a time)
    OtherAddress,   // the reply carries another device address (on Modbus TCP another unit id)
    Exception,      // the reply is an exception with exceptionCode
    Trailing,       // the reply is followed by trailing bytes in the same burst (after the MBAP frame)
    Doubled,        // the reply goes out twice, back to back
    Split,          // the reply goes out in two halves, splitPauseMs apart
    EchoCut,        // on an echoing line: the echo of the request loses its last truncateBy bytes
    EchoSpoiled,    // on an echoing line: one byte of the echo of the request is garbled
    EchoSplit,      // on an echoing line: the echo's last byte is held back and goes out just before the
                    // reply, as an adapter may hand an echo on in two pieces
    Disconnect,     // the first half of the reply goes out, then a TCP line closes the connection (the
                    // pseudo-terminal stays up: a cut reply)
    OtherTransaction,  // on Modbus TCP the reply carries the request's transaction id + 1; elsewhere a
                       // plain reply
    OtherProtocol,     // on Modbus TCP the reply's header names protocol 1, not Modbus (0); elsewhere a
                       // plain reply
};
constexpr int FaultKinds = int(Fault::OtherProtocol) + 1;

struct FaultSpec {
    Fault fault = Fault::None;
    uint8_t exceptionCode = 0x04;
    int lateMs = 1500;
    int truncateBy = 3;  // bytes dropped from the end
    int splitPauseMs = 100;
    bool splitLate = false;  // the second half of a Split is late on purpose: no reply still coming
    QByteArray trailing = QByteArray::fromHex("02042E5B18");  // what follows a Trailing reply
};

// Decides the fault for a request; called on the simulator's thread for every request addressed
// to a device it serves. serial counts those requests from 0.
using FaultRule = std::function<FaultSpec(const QByteArray &request, int serial)>;

class SimRecorder : public QObject, public PeerWitness {
    Q_OBJECT
public:
    explicit SimRecorder(QObject *parent = nullptr);
    ~SimRecorder() override;  // stops the thread and closes its line

    // The kinds of line the devices are served on.
    enum class Transport {
        Pty,         // a pseudo-terminal, as a serial port
        RtuOverTcp,  // a listener on 127.0.0.1 whose stream carries the RTU bytes as the pty would
        ModbusTcp,   // a Modbus TCP server on 127.0.0.1: MBAP frames, unit id = device address, no CRC
    };
    // A TCP line serves one connection at a time: a new one replaces the one before (as a device server
    // takes the newest), and after a close the next is served with the same state. A reply whose
    // connection has gone is dropped. Modbus TCP frames requests by the MBAP length (a frame may come
    // in pieces, several in one read), ignores a request whose protocol id is not 0, and closes a
    // connection whose length field cannot be a request's. False (with the reason in *error) when the
    // line cannot be opened, or when the simulator already runs on another kind.
    bool start(QString *error = nullptr, Transport transport = Transport::Pty);
    void stop();
    Transport transport() const;
    // The pty's slave path, rtu-over-tcp://127.0.0.1:PORT or tcp://127.0.0.1:PORT; empty when stopped.
    QString portPath() const;

    // Devices. A new simulator serves one recorder at address 21 with the demo defaults and an
    // empty memory. A device added listens at the line's rate.
    void addDevice(uint8_t address);
    // A relay module on the same bus (a siren or a strobe behind it): eight coils that coil writes (05)
    // switch on (FF00) and off (0000); every other function is refused as illegal.
    void addRelay(uint8_t address);
    bool relayOn(uint8_t address, uint16_t coil) const;
    void removeDevice(uint8_t address);
    QList<uint8_t> addresses() const;

    // Rates. Each device listens at its own rate: a request sent at another rate is noise to it
    // (no reply), as on a real bus; the rate the program's port is set to is read off the
    // pseudo-terminal. A TCP line has no rate to read: every device hears, and the devices' own rate
    // times the wire as the device server's serial side would. A write to the baud register moves only the device it reaches, once its
    // reply has left. setLineBaud puts every device, and every device added later, at the rate;
    // lineBaud is that rate, whatever single devices were moved to since. Default 19200.
    void setLineBaud(int baud);
    int lineBaud() const;
    void setDeviceBaud(uint8_t address, int baud);
    int deviceBaud(uint8_t address) const;  // 0 for an address not served
    void setTurnaroundMs(double ms);   // between the request's end and the reply's start; default 5
    void setWireTiming(bool on);       // replies take the time their bytes would take; default on
    // The echo, the batch latency and frame ends by silence are the pseudo-terminal's: a TCP line
    // ignores them (raw RTU frames are cut by their length, Modbus TCP by the MBAP length).
    // A half-duplex adapter's local echo: every frame the master sends, whoever it is for, comes
    // back to it at once, before any reply. Default off.
    void setEcho(bool on);
    // A USB adapter's delivery: what the line sends the master is held until 62 bytes have gathered
    // or ms have passed since the first byte held, then passed on together. 0 (default): at once.
    void setBatchLatencyMs(int ms);
    // Frame ends as a real slave finds them: a frame ends after 3.5 characters of silence at the rate
    // the program sends at (at least 1.75 ms). Bytes that follow a frame sooner than that run into one
    // garbled frame that gets no reply; so does a frame that starts before the reply to the one before
    // has gone out, or sooner than half the gap after it. A pseudo-terminal has no wire timing, so the
    // gaps are measured on this side, and always so that a thread the machine schedules late forgives
    // rather than accuses: bytes found waiting when a silence ends begin the next frame, a reply's time
    // is taken before its write, and bytes already waiting when a reply goes out began during it. A
    // master that keeps the gap never loses a frame; bytes written together always run into one.
    // Off (default): frames are cut by their length.
    void setFrameEndBySilence(bool on);

    // Faults: the next count requests to a served device get the fault; a rule replaces any queue.
    void injectFault(const FaultSpec &fault, int count = 1);
    void setFaultRule(FaultRule rule);
    void clearFaults();
    // A TCP line's server closes the connection now, as a device server does after an idle time-out.
    void dropConnection();
    // How often each fault was actually applied to a reply that would have gone out, and how many
    // requests a busy device ignored.
    int injected(Fault fault) const;
    int ignoredWhileBusy() const;

    // State, inspectable and settable from any thread.
    uint16_t holding(uint16_t reg, uint8_t address = 21) const;
    void setHolding(uint16_t reg, uint16_t value, uint8_t address = 21);
    // A refused holding register: a write to it (06, or 16 covering it) is answered with exception 03
    // (illegal data value) and changes nothing; reads are served as before.
    void setRefusedRegister(uint16_t reg, bool refused, uint8_t address = 21);
    uint16_t input(uint16_t reg, uint8_t address = 21) const;
    // A recorder that takes no block reads: an input-register read (04) of more registers than one
    // record (N + 3, N = holding 136) is refused the way the device's firmware refuses it. Reads of
    // one record or less and every other function are served as before. Default None.
    enum class BlockRefusal {
        None,
        Exception,    // exception 02 (illegal data address)
        NoReply,      // the request is swallowed
        WrongLength,  // a valid frame with the first record's registers only (byte count 2(N + 3)),
                      // as a device that caps the quantity sends
    };
    void setBlockRefusal(BlockRefusal how, uint8_t address = 21);
    int coilOnCount(uint16_t coil, uint8_t address = 21) const;  // times the coil was switched on
    void setRecords(const QVector<SimRecord> &records, uint8_t address = 21);
    QVector<SimRecord> records(uint8_t address = 21) const;
    QDateTime clock(uint8_t address = 21) const;
    void setClock(const QDateTime &time, uint8_t address = 21);

    // Every frame received on the line, whoever it was for, in order; a Modbus TCP request as the RTU
    // frame it stands for (unit id, PDU, CRC).
    QVector<QByteArray> requests() const;
    void clearRequests();
    // Blocks (without spinning) until count frames have been received or timeoutMs passed.
    bool waitForRequests(int count, int timeoutMs) const;
    // Called on the simulator's thread as each frame arrives (index as requests() counts it), before
    // anything answers it; the line waits while it runs, so a test can act on "frame N has come"
    // before its reply exists. nullptr: none.
    void setFrameHook(std::function<void(int index)> hook);

    // True while something the master sent may still be answered in its ordinary time: bytes not yet
    // framed (waiting at the pty or the connection, a connection not yet taken, a part of an MBAP frame),
    // a frame being handled (a frame hook holding it included), a reply waiting for its
    // turnaround and wire time or held for a packet. A reply a fault makes late on purpose (Late, the
    // second half of a Split with splitLate) does not count. A master given this waits for the
    // simulator however slowly the machine schedules it, and no longer than that.
    bool replyPending() const override;

    // A few hundred plausible records: moisture and temperature channels, one a minute.
    static QVector<SimRecord> demoRecords(int count, const QDateTime &first, int sensors = 20);

    // The memory bytes of one record as stored: 5B, BCD year, month, day, hour, minute, then
    // the values high byte first.
    static QByteArray recordBytes(const SimRecord &record);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace sim
