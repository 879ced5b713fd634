#pragma once
#include <QObject>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// The site's UPS as Network UPS Tools' upsd tells it: whether it runs on mains or on its battery.
// The watcher raises its power alarm from this; libupsclient stays inside upswatch.cpp.
namespace watch {

struct UpsName {
    QString ups;
    QString host;
    int port = 3493;   // upsd's own
    bool operator==(const UpsName &) const = default;
};

// "name@host" or "name@host:port" (an IPv6 host in brackets: "name@[::1]:3493"); nothing, and why
// in *error, for anything else.
std::optional<UpsName> parseUpsName(const QString &text, QString *error);
// Back to the words parseUpsName takes; the default port left out.
QString upsText(const UpsName &name);

enum class Power { Mains, Battery, Unknown };

struct UpsState {
    Power power = Power::Unknown;   // "OB" in ups.status: Battery; else "OL": Mains
    QString status;                 // ups.status as upsd said it ("OL", "OB LB" ...)
    std::optional<int> charge;      // battery.charge, when the UPS gives it
    QString error;                  // why the UPS could not be read; empty when it was
};

// One reading: connects to upsd, asks for ups.status and battery.charge, disconnects. Never holds
// the caller much longer than timeoutMs, whatever the host does.
UpsState readUps(const UpsName &name, int timeoutMs);

// Reads the UPS every periodMs on a thread of its own, so a UPS host that does not answer never
// holds the owner, and emits changed() in the owner's thread after the first reading and whenever
// the power or the error changed since.
class UpsWatch : public QObject {
    Q_OBJECT
public:
    UpsWatch(UpsName name, int periodMs, QObject *parent = nullptr);
    ~UpsWatch() override;

    UpsState last() const { return m_last; }
    // An extra reading as soon as the thread is free, the period starting again after it.
    void readNow();

signals:
    void changed(const watch::UpsState &state);

private:
    void run();
    void take(const UpsState &state);

    const UpsName m_name;
    const int m_periodMs;
    UpsState m_last;          // the owner's thread only
    bool m_read = false;      // the owner's thread only
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;      // under m_mutex
    bool m_now = false;       // under m_mutex
    std::thread m_thread;
};

} // namespace watch
