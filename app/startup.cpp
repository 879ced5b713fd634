#include "ui/desktop.h"
#include "app/frmmain.h"
#include "panels/port/modbuspanel.h"
#include "core/site/site.h"
#include "panels/port/portpanel.h"
#include "ui/recordarchive.h"
#include <QLineEdit>

void frmMain::load()
{
    const site::Site site = site::loadSite(m_desktop.appDir());
    const auto &comm = site.comm;
    const auto &mod = site.mod;
    const auto &reply = site.replyWindow;

    // Each file that is missing or unusable is said with what is used instead: a file that is not
    // there yet is normal on a first run and goes to the status line; one that is there but
    // cannot be used gets a message box. Nothing is written back at start-up.
    QStringList missing, malformed;
    const auto note = [&](settings::Status status, const QString &problem, const QString &used) {
        if (status != settings::Status::Ok)
            (status == settings::Status::Missing ? missing : malformed) << tr("%1，已使用%2").arg(problem, used);
    };
    note(comm.status, comm.problem,
         tr("COM%1、%2 波特").arg(comm.value.portNumber).arg(comm.value.baudRate));
    note(mod.status, mod.problem,
         tr("设备地址 %1、模块总数 %2").arg(mod.value.deviceAddress).arg(mod.value.stationCount));
    // The reply window is set only by those who need a wider one: its file missing is the usual case.
    if (reply.status == settings::Status::Malformed)
        note(reply.status, reply.problem,
             tr("记录应答窗口 %1 毫秒、每条 %2 次、保护时间 %3 毫秒")
                 .arg(reply.value.recordWindowMs).arg(reply.value.attempts).arg(reply.value.guardMs));
    m_ports.takeFileOverrides(site.ports);
    malformed << site.portProblems;
    recordArchive->names() = site.names;
    malformed << site.nameProblems;
    recordArchive->sensors() = site.sensors;
    if (!site.sensorProblem.isEmpty())
        malformed << site.sensorProblem;

    modbusPanel->txtStationID->setText(QString::number(mod.value.deviceAddress));
    // Downloaded records always hold twenty channels, whatever ModSet.set says.
    modbusPanel->txtDataLength->setText(QStringLiteral("20"));
    context().moduleCount = mod.value.stationCount;
    // Every open of the port, this one and the user's, applies it first (PortPanel::openPort).
    context().replyWindow = reply.value;

    portPanel->portInUse = comm.value.portNumber;
    portPanel->rateInUse = comm.value.baudRate;
    portPanel->selectBaud(comm.value.baudRate);
    portPanel->selectPort(comm.value.portNumber);
    portPanel->refreshPorts();
    portPanel->reopenPort();
    // Before the first exchange the lamp tells whether the port is ready: green open, red closed.
    m_traffic->showLamp(m_link->isOpen() ? Lamp::Green : Lamp::Red);

    if (!malformed.isEmpty())
        m_desktop.message(QStringLiteral("System Information"),
                          (malformed + missing).join(tr("。\n")) + tr("。"), Desktop::Icon::Warning);
    else if (!missing.isEmpty())
        showStatus(missing.join(tr("；")) + tr("。"));
    // Settings files edited since the last start go into the audit trail, old and new.
    recordArchive->auditSettingsFiles();
}
