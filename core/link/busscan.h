#pragma once
#include "core/link/exchange.h"
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

// Finding the devices on the bus: every address of a range, at one or more line rates, is asked a
// short harmless read — the recorder's sensor count, one holding register — with a short reply
// window. Nothing is ever written. A device that answers with a Modbus exception is there all the
// same (another kind of module), and is listed with its exception.
namespace scan {

constexpr int FirstAddress = 1;
constexpr int LastAddress = 247;          // the highest unicast address Modbus allows
constexpr int DefaultWaitMs = 100;        // after the request and reply bytes have crossed the line
constexpr int LowestWaitMs = 20;
constexpr int HighestWaitMs = 2000;

struct Plan {
    int first = FirstAddress;
    int last = LastAddress;
    QList<int> rates;                     // in the order tried
    int waitMs = DefaultWaitMs;
    int addresses() const { return last - first + 1; }
    int total() const { return addresses() * int(rates.size()); }
};

struct Found {
    uint8_t address = 0;
    int baud = 0;
    QString answer;   // "传感器总数 20", "异常应答 02（非法数据地址）"
    bool late = false; // the answer came only in the next address's window
};

struct Outcome {
    enum class End { Complete, Stopped, PortLost, Closing };
    End end = End::Complete;
    int asked = 0;                 // requests sent
    QList<Found> found;
    QList<int> refusedRates;       // rates the port would not take
};

// The probe request to address.
QByteArray probe(uint8_t address);
// The reply window at a rate: the wait plus the time the request and the longest answer take on the line.
int windowMs(int waitMs, int baud);
// What the bytes of an exchange say about a device: a device when they are exactly one answer to the
// probe (normal or exception, CRC matching) from an address in first … last — usually the address
// asked, but a slow device's answer may only come during the next address's window.
std::optional<Found> answerIn(const QByteArray &bytes, int first, int last);

} // namespace scan

// Runs a scan on the bus the hold holds. The port's rate is changed for each rate of the plan and set
// back to what it was when the scan ends, however it ends; cancelling the hold ends it at once.
class BusScan : public QObject {
    Q_OBJECT
public:
    explicit BusScan(Link &link, QObject *parent = nullptr);
    scan::Outcome run(const Link::Hold &hold, const scan::Plan &plan);

signals:
    // Before address is asked at baud: done requests of total are behind.
    void progress(int done, int total, int baud, int address);
    void found(const scan::Found &device);

private:
    Link &m_link;
};
