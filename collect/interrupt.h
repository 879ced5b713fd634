#pragma once
#include <QObject>
#include <functional>
#include <memory>
class QSocketNotifier;
// SIGINT and SIGTERM while it lives: the handler only writes a byte into a pipe; the notifier on the
// pipe's other end calls onSignal from the event loop (the download's waits run one), where it is
// safe to cancel. The earlier handlers come back when it goes.
namespace collect {
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
} // namespace collect
