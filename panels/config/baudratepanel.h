#pragma once
#include "ui/panelcontext.h"
#include <QWidget>

class QLineEdit;
class QPushButton;

// "波特率": changes the recorder's RS485 baud rate by writing the new code into register
// 2560 + the current code. The PC's port keeps its rate: the status line then says to change it.
class BaudRatePanel : public QWidget {
    Q_OBJECT
public:
    BaudRatePanel(PanelContext &ctx, QWidget *parent);

    // "修改"
    void changeBaudRate();

    QLineEdit *txtCurrentBaudCode;
    QLineEdit *txtNewBaudCode;
    QPushButton *cmdChangeBaud;

private:
    PanelContext &m_ctx;
};
