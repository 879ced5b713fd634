#pragma once
#include "core/records/replywindow.h"
#include "core/settings/comports.h"
#include <QGroupBox>
#include <optional>

class Desktop;
class Link;
class QComboBox;
class QLabel;
class ValueLabel;
class QPushButton;
class QTimer;

// "串口设置": choosing, opening, closing and saving the serial port.
class PortPanel : public QGroupBox {
    Q_OBJECT
public:
    PortPanel(Link &link, Desktop &desktop, ComPorts &ports, QWidget *parent = nullptr);

    // The port number (1-based) and rate in use; comm.set holds them between runs.
    int portInUse = 4;
    int rateInUse = 19200;
    // The reply window in use (the window's, changed by its dialog): every open applies its line
    // settings — echo, guard, connect timeout — before the port opens.
    const records::ReplyWindow *replyWindow = nullptr;

    void openChosenPort();    // "打开端口": the chosen entry at the chosen rate
    void closePort();         // "关闭端口"
    void savePortSettings();  // "保存": opens as "打开端口" does and writes comm.set, opened or not
    // Reopens the port chosen in the list at the rate in use (also run by start-up).
    void reopenPort();

    // Start-up: show a saved port and rate in the lists.
    void selectPort(int portNumber);
    void selectBaud(int rate);
    // The port runs at rate from now on (a device found at that rate); comm.set is written by "保存".
    void useRate(int rate);

    QComboBox *portList;
    QComboBox *baudList;
    ValueLabel *lblComDevice;
    QPushButton *cmdOpenComm;
    QPushButton *cmdCloseComm;
    QPushButton *cmdSavePort;

    // Marks the entries whose device is there now and shows the chosen entry's device; run every
    // two seconds, so an adapter plugged in or out shows. Neither the selection nor the port changes.
    void refreshPorts();

    // The sysfs folder asked about devices (tests give their own).
    QString sysRoot = QStringLiteral("/sys");

signals:
    void statusMessage(const QString &text);

private:
    // The rate the baud list shows; a message and nothing when it is not a rate.
    std::optional<int> baudChoice();
    // Opens COM port com at rate; a failure is reported with the device and the reason.
    bool openPort(int com, int rate);
    QString describe(int com) const;
    // A polling tick holds the bus without turning the controls off: while it (or any command)
    // runs, the port stays as it is and the status line says why. True when refused.
    bool refusedWhileBusy();
    // Opens the chosen entry at the chosen rate: whether it opened; nothing when the bus is busy or
    // the rate box is refused (both said).
    std::optional<bool> openChosen();

    Link &m_link;
    Desktop &m_desktop;
    ComPorts &m_ports;
    QTimer *m_refresh;
};
