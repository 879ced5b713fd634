#include "app/desktop.h"
#include "app/frmmain.h"
#include "app/modbuspanel.h"
#include "app/settingsfiles.h"
#include "link/portpanel.h"
#include <QLineEdit>

void frmMain::load()
{
    const QString dir = m_desktop.appDir();
    const auto comm = settings::readComm(dir);
    const auto mod = settings::readMod(dir);

    QStringList missing, malformed;
    for (const auto &[status, problem] : {std::pair{comm.status, comm.problem}, std::pair{mod.status, mod.problem}})
        (status == settings::Status::Missing ? missing : malformed) << problem;
    malformed.removeAll(QString());
    m_ports.loadOverrides(dir, &malformed);

    modbusPanel->txtStationID->setText(QString::number(mod.value.deviceAddress));
    // Downloaded records always hold twenty channels, whatever ModSet.set says.
    ChannelCount = 20;
    modbusPanel->txtDataLength->setText(QStringLiteral("20"));
    StationCount = mod.value.stationCount;

    portPanel->PortNumber = comm.value.portNumber;
    portPanel->BaudRate = comm.value.baudRate;
    portPanel->selectBaud(comm.value.baudRate);
    portPanel->selectPort(comm.value.portNumber);
    portPanel->showDevice();
    portPanel->Combo1_Click();
    // Before the first exchange the lamp tells whether the port is ready: green open, red closed.
    showLamp(m_link->port().isOpen() ? Lamp::Green : Lamp::Red);

    // Said once; the files are left as they are (nothing is written back at start-up). A file
    // that is not there yet is normal on a first run and goes to the status line; a file that
    // is there but cannot be read gets a message box.
    const QString defaults = QStringLiteral("已使用默认值：COM%1，%2 波特，设备地址 %3。")
                                 .arg(comm.value.portNumber).arg(comm.value.baudRate).arg(mod.value.deviceAddress);
    if (!malformed.isEmpty())
        m_desktop.message(QStringLiteral("System Information"),
                          (malformed + missing).join(QLatin1Char('\n')) + QLatin1Char('\n') + defaults,
                          Desktop::Icon::Warning);
    else if (!missing.isEmpty())
        showStatus(missing.join(QStringLiteral("；")) + QStringLiteral("。") + defaults);
}
