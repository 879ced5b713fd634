#pragma once
#include <QGroupBox>

class QLabel;
class QLineEdit;

// "命令状态": the request sent and the reply received, in hex.
class TrafficPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TrafficPanel(QWidget *parent = nullptr);
    QLineEdit *txtCommand;
    QLineEdit *txtState;
    QLabel *lblUnit5;
    QLabel *lblUnit6;
};
