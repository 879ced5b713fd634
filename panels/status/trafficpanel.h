#pragma once
#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;

// "命令状态": the request sent and the reply received, in hex.
class TrafficPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TrafficPanel(QWidget *parent = nullptr);
    QLineEdit *txtCommand;
    QLineEdit *txtState;
    QLabel *lblCommandUnit;
    QLabel *lblStateUnit;
    QPushButton *cmdMonitor;  // "通信监视": shows or hides the bus monitor
};
