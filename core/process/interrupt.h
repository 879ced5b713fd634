#pragma once
#include <QObject>
#include <functional>
#include <memory>
class QSocketNotifier;
// SIGHUP, SIGINT and SIGTERM while it lives: the handler only writes a byte into a pipe; the notifier
// on the pipe's other end calls onSignal from the event loop (the download's waits run one, so does the
// window's), where it is safe to cancel or close. The earlier handlers come back when it goes.
// The collector and the window use it: a hang-up, Ctrl-C or a stop from the service manager ends them
// the way their own stop does, never in the middle of a write.
namespace process {
class Interrupt : public QObject {
    Q_OBJECT
public:
    explicit Interrupt(std::function<void()> onSignal);
    ~Interrupt() override;
    bool armed() const { return m_notifier != nullptr; }
private:
    std::function<void()> m_onSignal;
    QSocketNotifier *m_notifier = nullptr;
    int m_read = -1;
    struct Saved;
    std::unique_ptr<Saved> m_saved;
};
} // namespace process
