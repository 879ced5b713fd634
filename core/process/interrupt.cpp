#include "core/process/interrupt.h"
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace process {

namespace {
volatile sig_atomic_t g_writeFd = -1;
constexpr int Caught[] = {SIGHUP, SIGINT, SIGTERM};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    if (g_writeFd >= 0)
        [[maybe_unused]] const auto n = ::write(g_writeFd, &byte, 1);  // a full pipe already says it
    errno = saved;
}
} // namespace

struct Interrupt::Saved {
    struct sigaction earlier[std::size(Caught)] {};
};

Interrupt::Interrupt(std::function<void()> handler) : m_onSignal(std::move(handler)), m_saved(std::make_unique<Saved>())
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = fds[0];
    g_writeFd = fds[1];
    m_notifier = new QSocketNotifier(m_read, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(m_read, buffer, sizeof buffer) > 0) {
        }
        m_onSignal();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(Caught); ++i)
        sigaction(Caught[i], &action, &m_saved->earlier[i]);
}

Interrupt::~Interrupt()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < std::size(Caught); ++i)
        sigaction(Caught[i], &m_saved->earlier[i], nullptr);
    const int writeFd = g_writeFd;
    g_writeFd = -1;
    ::close(writeFd);
    delete m_notifier;
    ::close(m_read);
}

} // namespace process
