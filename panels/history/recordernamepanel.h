#pragma once
#include <QGroupBox>
class QLabel;
class QLineEdit;
class QPushButton;
struct PanelContext;
// "记录仪名称": the name a recorder (a port and a bus address) is archived under. Every recorder
// answers at address 21 until set otherwise, so the address alone does not tell two apart.
class RecorderNamePanel : public QGroupBox {
    Q_OBJECT
public:
    RecorderNamePanel(PanelContext &context, QWidget *parent = nullptr);
    // Names the recorder of the boxes; the records archived under its earlier name follow, if the
    // user agrees.
    void nameRecorder();
    // The recorder goes back to its default name ("COM4-21").
    void restoreDefaultName();
    // The recorder being read: the port in use and the device address box (the address last
    // downloaded from while that box holds no address).
    void fillCurrent();
    QLineEdit *txtNameCom;
    QLineEdit *txtNameAddress;
    QLineEdit *txtRecorderName;
    QPushButton *cmdSetName;
    QPushButton *cmdDefaultName;
    QLabel *lblNamed;  // which recorder the boxes name, and its name now
signals:
    void renamed();
private:
    // Takes the recorder of the boxes to newName (empty: its default), saving recorders.set.
    void rename(const QString &newName);
    void showNamed();
    PanelContext &m_ctx;
};
