#include "core/watch/upswatch.h"
#include <csignal>
#include <pthread.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <upsclient.h>

namespace watch {

namespace {

QString formHint()
{
    return QCoreApplication::translate("watch", "应写成“名称@主机”或“名称@主机:端口”，例如 ups@192.168.1.20。");
}

bool plainWord(const QString &word)
{
    return !word.isEmpty() && std::none_of(word.cbegin(), word.cend(), [](QChar c) {
        return c.isSpace() || c == u'@' || c == u'"';
    });
}

// The host and the port's words after the '@'; an IPv6 host has its colons inside brackets.
bool splitHost(const QString &rest, QString *host, std::optional<QString> *port)
{
    qsizetype end = rest.size();
    if (rest.startsWith(u'[')) {
        end = rest.indexOf(u']');
        if (end < 0)
            return false;
        *host = rest.mid(1, end - 1);
        ++end;
    } else {
        if (rest.count(u':') > 1)
            return false;
        end = rest.indexOf(u':');
        *host = rest.left(end);
    }
    if (end >= 0 && end < rest.size()) {
        if (rest[end] != u':')
            return false;
        *port = rest.mid(end + 1);
    }
    return true;
}

// Once connected: the answer to one GET VAR, upsd's ERR word, or why there was none.
struct Answer {
    QString value;
    QString upsdError;
    QString failure;
    static Answer of(QString value) { return {std::move(value), {}, {}}; }
    static Answer refused(QString word) { return {{}, std::move(word), {}}; }
    static Answer failed(QString why) { return {{}, {}, std::move(why)}; }
};

QString where(const UpsName &name)
{
    return name.host.contains(u':') ? QStringLiteral("[%1]:%2").arg(name.host).arg(name.port)
                                    : QStringLiteral("%1:%2").arg(name.host).arg(name.port);
}

Answer parseAnswer(const QByteArray &line, const UpsName &name)
{
    if (line.startsWith("ERR "))
        return Answer::refused(QString::fromLatin1(line.mid(4).split(' ').first()));
    const qsizetype open = line.indexOf('"');
    if (!line.startsWith("VAR ") || open < 0 || !line.endsWith('"'))
        return Answer::failed(QCoreApplication::translate("watch", "%1 上的 upsd 回答了看不懂的内容：%2")
                               .arg(where(name), QString::fromUtf8(line.left(80))));
    QByteArray value;
    for (qsizetype k = open + 1; k < line.size() - 1; ++k)
        value += line[k] == '\\' && k + 2 < line.size() ? line[++k] : line[k];
    return Answer::of(QString::fromUtf8(value));
}

time_t secondsLeft(const QDeadlineTimer &deadline)
{
    // libupsclient counts its waits in whole seconds; the poll() before the read keeps to the
    // milliseconds.
    return std::max<time_t>(1, (deadline.remainingTime() + 999) / 1000);
}

Answer getVar(UPSCONN_t &conn, const UpsName &name, const char *var, const QDeadlineTimer &deadline,
              int timeoutMs)
{
    const QString lost = QCoreApplication::translate("watch", "与 %1 上的 upsd 的连接断了").arg(where(name));
    const QByteArray ask = "GET VAR " + name.ups.toUtf8() + ' ' + var + '\n';
    if (upscli_sendline_timeout(&conn, ask.constData(), size_t(ask.size()), secondsLeft(deadline)) < 0)
        return Answer::failed(lost);
    if (conn.readidx >= conn.readlen) {
        pollfd wait{upscli_fd(&conn), POLLIN, 0};
        int ready;
        do
            ready = ::poll(&wait, 1, int(deadline.remainingTime()));
        while (ready < 0 && errno == EINTR);
        if (ready == 0)
            return Answer::failed(QCoreApplication::translate("watch", "%1 上的 upsd 没有在 %2 毫秒内回答")
                                   .arg(where(name)).arg(timeoutMs));
    }
    char line[UPSCLI_NETBUF_LEN];
    if (upscli_readline_timeout(&conn, line, sizeof line, secondsLeft(deadline)) < 0)
        return Answer::failed(lost);
    return parseAnswer(QByteArray(line).trimmed(), name);
}

QString upsdSays(const QString &word, const UpsName &name)
{
    if (word == u"UNKNOWN-UPS")
        return QCoreApplication::translate("watch", "%1 上的 upsd 没有名为“%2”的 UPS").arg(where(name), name.ups);
    if (word == u"DATA-STALE")
        return QCoreApplication::translate("watch", "UPS %1 的数据过时了：它的驱动没有按时更新").arg(upsText(name));
    if (word == u"DRIVER-NOT-CONNECTED")
        return QCoreApplication::translate("watch", "upsd 连不上 UPS %1 的驱动").arg(upsText(name));
    if (word == u"ACCESS-DENIED")
        return QCoreApplication::translate("watch", "%1 上的 upsd 不允许本机读取").arg(where(name));
    return QCoreApplication::translate("watch", "读取 UPS %1 时 upsd 回答 %2").arg(upsText(name), word);
}

QString connectFailure(UPSCONN_t &conn, const UpsName &name, int timeoutMs)
{
    if (conn.upserror == UPSCLI_ERR_NOSUCHHOST)
        return QCoreApplication::translate("watch", "找不到 UPS 所在的主机 %1").arg(name.host);
    if (conn.syserrno == ECONNREFUSED)
        return QCoreApplication::translate("watch", "%1 上没有 upsd 在听（连接被拒绝）").arg(where(name));
    if (conn.syserrno == ETIMEDOUT || conn.syserrno == EINPROGRESS)
        return QCoreApplication::translate("watch", "%1 在 %2 毫秒内没有接受连接").arg(where(name)).arg(timeoutMs);
    return QCoreApplication::translate("watch", "连不上 %1 上的 upsd：%2")
        .arg(where(name), QString::fromLocal8Bit(upscli_strerror(&conn)));
}

} // namespace

std::optional<UpsName> parseUpsName(const QString &text, QString *error)
{
    const auto fail = [&](const QString &why) -> std::optional<UpsName> {
        if (error)
            *error = why + formHint();
        return std::nullopt;
    };
    const QString t = text.trimmed();
    const qsizetype at = t.indexOf(u'@');
    if (t.isEmpty())
        return fail(QCoreApplication::translate("watch", "没有写 UPS。"));
    if (at < 0)
        return fail(QCoreApplication::translate("watch", "“%1”缺少 @ 和 UPS 所在的主机。").arg(t));
    UpsName name;
    name.ups = t.left(at);
    std::optional<QString> port;
    if (!splitHost(t.mid(at + 1), &name.host, &port) || !plainWord(name.ups) || !plainWord(name.host))
        return fail(QCoreApplication::translate("watch", "“%1”不是 UPS 的名称和主机。").arg(t));
    if (port) {
        bool ok = false;
        name.port = port->toInt(&ok);
        if (!ok || name.port < 1 || name.port > 65535)
            return fail(QCoreApplication::translate("watch", "“%1”的端口“%2”不是 1 到 65535 之间的数。").arg(t, *port));
    }
    return name;
}

QString upsText(const UpsName &name)
{
    if (name.port == UpsName{}.port)
        return name.ups + u'@' + (name.host.contains(u':') ? u'[' + name.host + u']' : name.host);
    return name.ups + u'@' + where(name);
}

UpsState readUps(const UpsName &name, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    UPSCONN_t conn{};
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    UpsState state;
    const QByteArray host = name.host.toUtf8();
    if (upscli_tryconnect(&conn, host.constData(), uint16_t(name.port), 0, &wait) < 0) {
        state.error = connectFailure(conn, name, timeoutMs);
        return state;
    }
    const Answer status = getVar(conn, name, "ups.status", deadline, timeoutMs);
    state.error = status.failure.isEmpty() && !status.upsdError.isEmpty() ? upsdSays(status.upsdError, name)
                                                                          : status.failure;
    if (state.error.isEmpty()) {
        state.status = status.value;
        const QStringList flags = status.value.split(u' ', Qt::SkipEmptyParts);
        state.power = flags.contains(u"OB") ? Power::Battery : flags.contains(u"OL") ? Power::Mains : Power::Unknown;
        // The charge only adds to the message: a UPS without it, or a late answer, is still read.
        const Answer charge = getVar(conn, name, "battery.charge", deadline, timeoutMs);
        bool ok = false;
        const double percent = charge.value.toDouble(&ok);
        if (ok)
            state.charge = qRound(percent);
    }
    upscli_disconnect(&conn);
    return state;
}

UpsWatch::UpsWatch(UpsName name, int periodMs, QObject *parent)
    : QObject(parent), m_name(std::move(name)), m_periodMs(std::max(periodMs, 1)), m_thread([this] { run(); })
{
}

UpsWatch::~UpsWatch()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void UpsWatch::readNow()
{
    {
        std::lock_guard lock(m_mutex);
        m_now = true;
    }
    m_wake.notify_all();
}

void UpsWatch::run()
{
    // libupsclient writes to upsd's socket with write(): a upsd that went away while we talk must give
    // EPIPE here, not a SIGPIPE that ends the watcher.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    // A reading gives up after a period, but not sooner than a second (upsd on a busy host) nor
    // later than five (the owner waits that long at most when it stops).
    const int timeoutMs = std::clamp(m_periodMs, 1000, 5000);
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        m_now = false;
        lock.unlock();
        const UpsState state = readUps(m_name, timeoutMs);
        QMetaObject::invokeMethod(this, [this, state] { take(state); }, Qt::QueuedConnection);
        lock.lock();
        m_wake.wait_for(lock, std::chrono::milliseconds(m_periodMs), [this] { return m_stop || m_now; });
    }
}

void UpsWatch::take(const UpsState &state)
{
    const bool news = !m_read || state.power != m_last.power || state.error != m_last.error;
    m_read = true;
    m_last = state;
    if (news)
        emit changed(m_last);
}

} // namespace watch
