#pragma once
#include <QWidget>

class QGroupBox;
class ValueLabel;
class QPushButton;
struct PanelContext;

// "存储状态监测" (Frame8): reads the recorder's registers 124 (start count) and 125 (minutes
// recorded) of the device in "设备地址" and shows them as they are (0 … 65535).
class StorageStatePanel : public QWidget {
    Q_OBJECT
public:
    StorageStatePanel(PanelContext &context, QGroupBox *frame);

    // "开始监测". Only a valid reply to the request changes the labels; anything else (an exception,
    // another function code, a bad CRC, nothing) leaves them and is said on the status line.
    void readStorageState();

    QPushButton *cmdStartMonitor;
    ValueLabel *lblStartCount;
    ValueLabel *lblMinutesRecorded;

private:
    PanelContext &m_context;
};
