#pragma once
#include "core/report/alarmlines.h"
#include <QList>
#include <QObject>
#include <QSet>
#include <optional>
class AlarmNotifications;
class AlarmPanel;
class QFrame;
class QPushButton;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class ValueLabel;
struct PanelContext;

// The alarms nobody has acknowledged yet, told whatever tab is open and whatever program has the
// focus: the archive is looked at every few seconds, and an alarm not seen before gets the desktop's
// sound and a notification of its own. While any is unacknowledged the banner above the tabs names
// the newest, the window's title and the tray icon say how many; its "确认" (and the notification's)
// leads to the alarm on the "报警" tab, where it is acknowledged as always. An acknowledgement made
// anywhere (another window, the watcher's command line) or the alarm clearing takes it away at the
// next look.
class AlarmNotice : public QObject {
    Q_OBJECT
public:
    static constexpr int CheckMs = 5000;
    // An archive that cannot be opened (a PostgreSQL server away) is tried less and less often, so
    // a connection that waits for its timeout does not hold the window every few seconds.
    static constexpr int SlowestCheckMs = 300'000;

    // window: whose title is marked; tabs and panel: where "确认" leads. The banner is the window's
    // to lay out; the first look is taken once the event loop runs.
    AlarmNotice(PanelContext &context, QWidget &window, QTabWidget &tabs, AlarmPanel &panel);

    // One look at the archive (what the timer does).
    void check();
    // The alarm on the "报警" tab, selected, with the focus in its acknowledgement's name; the
    // window brought up.
    void showAlarm(qint64 id);
    // The alarms open and unacknowledged at the last look, the newest first.
    const QList<report::AlarmLine> &unacknowledged() const { return m_open; }

    QFrame *frmAlarmBanner;
    ValueLabel *lblAlarmBanner;
    QPushButton *cmdBannerAck;

private:
    std::optional<QList<report::AlarmLine>> readOpen(QString *error) const;
    void announce(const report::AlarmLine &line);
    void showState();
    // What the alarm is about ("COM4-21 东墙 高于上限 26.3 ℃（限值 20.0 ℃）") and since when (the
    // time alone on the day it is raised).
    QString what(const watch::Transition &t) const;
    QString since(const report::AlarmLine &line) const;

    PanelContext &m_ctx;
    QWidget &m_window;
    QTabWidget &m_tabs;
    AlarmPanel &m_panel;
    QTimer *m_timer;
    AlarmNotifications *m_notifications;
    QSystemTrayIcon *m_tray = nullptr;
    QList<report::AlarmLine> m_open;
    QSet<qint64> m_seen;  // every alarm told so far, so none is told twice
    QString m_titleMark;  // what was put before the window's title
};
