#include "panels/alarms/alarmnotifications.h"
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <utility>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString AckAction = QStringLiteral("ack");

// The session bus the environment names now, on a connection of this object's own. Qt's shared
// session bus keeps the address it first read for the life of the process, and a desktop session
// started after it (or a private one) would never be reached.
QDBusConnection sessionBus(const QString &name)
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    return address.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection::connectToBus(address, name);
}
} // namespace

AlarmNotifications::AlarmNotifications(QObject *parent)
    : QObject(parent),
      m_name(QStringLiteral("wl8806n-alarms-%1").arg(quintptr(this), 0, 16)),
      m_bus(sessionBus(m_name))
{
    if (m_bus.isConnected())
        m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this, SLOT(onAction(uint,QString)));
}

AlarmNotifications::~AlarmNotifications()
{
    if (m_bus.name() == m_name)
        QDBusConnection::disconnectFromBus(m_name);
}

void AlarmNotifications::show(qint64 alarm, const QString &summary, const QString &body)
{
    if (!m_bus.isConnected()) {
        tellUnavailable(m_bus.lastError().isValid() ? m_bus.lastError().message() : tr("没有会话总线"));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    // Critical and resident, never expiring: the alarm stays on the desktop until someone acts on it.
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))},
                            {QStringLiteral("resident"), true},
                            {QStringLiteral("category"), QStringLiteral("device.error")}};
    call << QStringLiteral("WL8806N") << uint(0) << QStringLiteral("dialog-warning") << summary << body
         << QStringList{AckAction, tr("确认")} << hints << int(0);
    m_shown.insert(alarm, 0);
    auto *answer = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this, alarm](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        const bool waited = m_shown.contains(alarm);
        if (reply.isError()) {
            m_shown.remove(alarm);
            tellUnavailable(reply.error().message());
        } else if (waited) {
            m_shown.insert(alarm, reply.value());
        } else {
            closeOnServer(reply.value());  // the alarm went while the server was answering
        }
    });
}

void AlarmNotifications::close(qint64 alarm)
{
    if (const uint id = m_shown.take(alarm))
        closeOnServer(id);
}

void AlarmNotifications::closeOnServer(uint id)
{
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("CloseNotification"));
    call << id;
    m_bus.asyncCall(call);
}

void AlarmNotifications::onAction(uint id, const QString &key)
{
    if (key != AckAction || id == 0)
        return;
    for (auto it = m_shown.cbegin(); it != m_shown.cend(); ++it)
        if (it.value() == id) {
            emit acknowledgeAsked(it.key());
            return;
        }
}

void AlarmNotifications::tellUnavailable(const QString &why)
{
    if (!std::exchange(m_told, true))
        emit unavailable(why);
}
