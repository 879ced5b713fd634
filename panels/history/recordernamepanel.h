#pragma once
#include <QGroupBox>
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
    // The port in use and the address last downloaded from, into empty boxes.
    void fillCurrent();
    QLineEdit *txtNameCom;
    QLineEdit *txtNameAddress;
    QLineEdit *txtRecorderName;
    QPushButton *cmdSetName;
    QPushButton *cmdDefaultName;
signals:
    void renamed();
private:
    // Takes the recorder of the boxes to newName (empty: its default), saving recorders.set.
    void rename(const QString &newName);
    PanelContext &m_ctx;
};
