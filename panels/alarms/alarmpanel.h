#pragma once
#include <QWidget>
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class ValueLabel;
struct PanelContext;
// "报警": the alarms the unattended watcher (wl8806n-watch) raised, as the archive keeps them — the
// open ones first, then those cleared in the last week — and the acknowledgement of an open one by a
// person. It reads and appends to the archive only, so it works whether or not the watcher runs; a
// running watcher picks the acknowledgement up from the archive and stops repeating the alarm. Under
// the list, the selected alarm's notifications: per step, by what, to whom, delivered when.
class AlarmPanel : public QWidget {
    Q_OBJECT
public:
    // While shown, the list is read again this often.
    static constexpr int RefreshMs = 30'000;
    // A watcher whose last beat is older than this is taken as stopped (three polls of the usual
    // period; the period itself is not kept in the archive).
    static constexpr int BeatBoundS = 300;
    // Cleared alarms stay in the list this long after they cleared.
    static constexpr int ClosedDays = 7;

    AlarmPanel(PanelContext &context, QWidget *parent = nullptr);
    // The list and the watcher's state read again from the archive; the selected alarm stays selected.
    void refresh();
    // The alarm with that number selected (the list read again when it is not in it); false when
    // the archive has no such alarm to show.
    bool selectAlarm(qint64 id);
    // The selected alarm acknowledged by txtAckBy with txtAckNote, said on the status line.
    void acknowledgeSelected();

    ValueLabel *lblWatcherState;
    QPushButton *cmdAlarmRefresh;
    QTreeWidget *lstAlarms;
    QTreeWidget *lstAlarmNotices;
    QLineEdit *txtAckBy;
    QLineEdit *txtAckNote;
    QPushButton *cmdAckAlarm;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showNotices();

    PanelContext &m_ctx;
    QTimer *m_timer;
};
