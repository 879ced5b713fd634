#pragma once
#include "core/view/livehistory.h"
#include "core/settings/sensortable.h"
#include <functional>
#include <QVector>
#include <QWidget>
#include <cstdint>

class Desktop;
class QComboBox;
class QListWidget;
class QTimer;
class RecordChart;

// Tab "实时曲线": the live values of the last minutes as curves, one device at a time. It only
// listens to what the live reads show and never asks the bus for anything.
class LiveTrendPanel : public QWidget {
    Q_OBJECT
public:
    explicit LiveTrendPanel(Desktop &desktop, QWidget *parent = nullptr);

    // The words a live read of device showed in the boxes (word k in box k), stamped with the PC's
    // time now. The chart follows a few times a second at most, however fast the reads come.
    void addValues(uint8_t device, const QVector<uint16_t> &words);

    const view::LiveHistory &history() const { return m_history; }
    // Where a device's sensor (1 … 20) gets its caption and limits; without it "n#传感器", no limits.
    using SensorLookup = std::function<std::pair<QString, sensors::Sensor>(uint8_t device, int number)>;
    void setSensorLookup(SensorLookup lookup);
    // The name of the recorder at a device's address, for the chart's title; without it "设备 5".
    using RecorderLookup = std::function<QString(uint8_t device)>;
    void setRecorderLookup(RecorderLookup lookup) { m_recorderName = std::move(lookup); }
    // The names or limits changed: the captions and limit lines are drawn again.
    void applySensors() { refresh(); }

    QComboBox *cboTrendDevice;     // the devices seen
    QListWidget *lstTrendSensors;  // "1#传感器" … "20#传感器", each with a check box
    RecordChart *chtLiveTrend;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();

    Desktop &m_desktop;
    SensorLookup m_lookup;
    RecorderLookup m_recorderName;
    view::LiveHistory m_history;
    QTimer *m_refresh;
    bool m_stale = false;  // reads came while the tab was not shown
};
