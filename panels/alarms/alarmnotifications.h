#pragma once
#include <QDBusConnection>
#include <QHash>
#include <QObject>

// The desktop's own notifications of the alarms (org.freedesktop.Notifications on the session bus):
// one per alarm, critical and resident, so it stays on screen until the alarm is acknowledged or
// cleared, with a "确认" action. Without a session bus or a notification server the alarms are
// shown in the window alone; the reason is given once (unavailable) and nothing else is said.
class AlarmNotifications : public QObject {
    Q_OBJECT
public:
    explicit AlarmNotifications(QObject *parent = nullptr);
    ~AlarmNotifications() override;

    // The alarm's notification put on the desktop (not waited for).
    void show(qint64 alarm, const QString &summary, const QString &body);
    // Its notification taken off the desktop, once the server has said which it is.
    void close(qint64 alarm);

signals:
    // The "确认" of the alarm's notification was clicked.
    void acknowledgeAsked(qint64 alarm);
    // The desktop takes no notifications: emitted at the first one refused, never again.
    void unavailable(const QString &why);

private slots:
    void onAction(uint id, const QString &key);

private:
    void closeOnServer(uint id);
    void tellUnavailable(const QString &why);

    QString m_name;
    QDBusConnection m_bus;
    QHash<qint64, uint> m_shown;  // alarm → the server's number for its notification; 0 until it answers
    bool m_told = false;
};
