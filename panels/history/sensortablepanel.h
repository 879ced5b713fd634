#pragma once
#include <QWidget>
class QComboBox;
class QPushButton;
class QTableWidget;
struct PanelContext;
// "传感器": the names, units and limits of one recorder's twenty sensors, edited in a table and kept
// in sensors.set. The live boxes, the trend, the history table and chart show them.
class SensorTablePanel : public QWidget {
    Q_OBJECT
public:
    SensorTablePanel(PanelContext &context, QWidget *parent = nullptr);
    // The recorders to choose from: those archived, and the one at the port and address in use.
    void refreshRecorders();
    // The chosen recorder's sensors into the table.
    void showRecorder();
    // The table checked cell by cell (a bad cell is named and nothing is saved), then written whole.
    void saveSensors();
    QComboBox *cboSensorRecorder;
    QTableWidget *tblSensors;
    QPushButton *cmdSaveSensors;
signals:
    // sensors.set was written: what shows names or limits reads them again.
    void sensorsChanged();
protected:
    void showEvent(QShowEvent *event) override;
private:
    PanelContext &m_ctx;
};
