#pragma once
#include <QDockWidget>
#include <QVector>

class Desktop;
class FrameLog;
class FrameTableModel;
class QCheckBox;
class QComboBox;
class QLabel;
class ValueLabel;
class QPushButton;
class QTableView;
class QTimer;

// "通信监视": every frame the line carried, with its time, direction, gap, bytes and what they say,
// for finding what goes wrong on a flaky line. It reads the frame log a few times a second, never
// once per frame, so a download runs as fast with it open.
class BusMonitorPanel : public QDockWidget {
    Q_OBJECT
public:
    BusMonitorPanel(FrameLog &log, Desktop &desktop, QWidget *parent = nullptr);
    ~BusMonitorPanel() override;

    // Takes the frames logged since the last look into the table (the timer does this while shown).
    void catchUp();
    // The log's sequence numbers of the rows shown, top to bottom.
    const QVector<qint64> &shownFrames() const;

    QComboBox *cboMonitorDevice;   // "全部" or one address
    QCheckBox *chkMonitorErrors;   // "仅显示错误"
    QPushButton *cmdMonitorPause;  // "暂停" / "继续"
    QPushButton *cmdMonitorClear;  // "清除"
    QPushButton *cmdMonitorSave;   // "保存…"
    ValueLabel *lblMonitorCount;  // frames shown of those kept
    QTableView *tblMonitor;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void makeTable(QWidget *body);  // the frames' table, fixed rows and columns
    void layOut(QWidget *body, QLabel *lblDevice);
    void connectControls();
    void applyFilter();
    void addDevices();
    void showCount();
    void save();

    FrameLog &m_log;
    Desktop &m_desktop;
    FrameTableModel *m_model;
    QTimer *m_timer;
    QString m_note;  // the last file saved
};
