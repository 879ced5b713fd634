#include "panels/port/portpanel.h"
#include "ui/valuelabel.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "core/settings/settingsfiles.h"
#include "core/link/baudrates.h"
#include "core/link/exchange.h"
#include "core/link/line.h"
#include "core/link/serialdevice.h"
#include "core/site/site.h"
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

PortPanel::PortPanel(Link &link, Desktop &desktop, ComPorts &ports, QWidget *parent)
    : QGroupBox(tr("串口设置"), parent), m_link(link), m_desktop(desktop), m_ports(ports)
{
    setObjectName(QStringLiteral("Frame5"));
    portList = new QComboBox(this);
    portList->setObjectName(QStringLiteral("Combo1"));
    portList->setAccessibleName(tr("串口号"));
    portList->setToolTip(tr("粗体的端口表示其设备现在存在。\n拔插后 USB 适配器可能换名（ttyUSB0 变成 ttyUSB1），"
                                      "要让它总是同一个 COM 号，在 %1 中写一行，例如\n"
                                      "COM4=/dev/serial/by-id/usb-FTDI_…（ls -l /dev/serial/by-id/ 列出现有的名称）\n"
                                      "串口服务器或 Modbus TCP 网关写成网址，例如\n"
                                      "COM7=rtu-over-tcp://192.168.1.50:4001 或 COM8=tcp://192.168.1.60:502")
                           .arg(ComPorts::fileName()));
    for (int com = ComPorts::kFirst; com <= ComPorts::kLast; ++com)
        portList->addItem(QStringLiteral("COM%1").arg(com));
    portList->setCurrentIndex(3);  // "COM4"

    baudList = new QComboBox(this);
    baudList->setObjectName(QStringLiteral("Combo2"));
    baudList->setEditable(true);
    for (int rate : baud::Rates)
        baudList->addItem(QString::number(rate));
    baudList->setCurrentIndex(3);  // "19200"
    auto *baudCaption = new QLabel(tr("波特率"), this);
    baudCaption->setObjectName(QStringLiteral("Label5(2)"));
    baudCaption->setBuddy(baudList);

    lblComDevice = new ValueLabel(QString(), tr("串口设备"), this);
    lblComDevice->setObjectName(QStringLiteral("lblComDevice"));
    lblComDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cmdOpenComm = new QPushButton(tr("打开端口"), this);
    cmdOpenComm->setObjectName(QStringLiteral("cmdOpenComm"));
    cmdCloseComm = new QPushButton(tr("关闭端口"), this);
    cmdCloseComm->setObjectName(QStringLiteral("cmdCloseComm"));
    cmdSavePort = new QPushButton(tr("保存"), this);
    cmdSavePort->setObjectName(QStringLiteral("cmdCom"));
    for (QPushButton *b : {cmdOpenComm, cmdCloseComm, cmdSavePort})
        b->setProperty("deviceCommand", true);  // not while a command holds the bus
    portList->setProperty("deviceCommand", true);

    auto *g = new QGridLayout(this);
    g->addWidget(portList, 0, 0);
    g->addWidget(baudCaption, 0, 1);
    g->addWidget(baudList, 0, 2);
    g->addWidget(lblComDevice, 1, 0, 1, 3);
    g->addWidget(cmdOpenComm, 2, 0);
    g->addWidget(cmdCloseComm, 2, 1);
    g->addWidget(cmdSavePort, 2, 2);

    connect(portList, &QComboBox::activated, this, [this] { reopenPort(); });
    connect(portList, &QComboBox::currentIndexChanged, this, [this] { refreshPorts(); });
    connect(cmdOpenComm, &QPushButton::clicked, this, [this] { openChosenPort(); });
    connect(cmdCloseComm, &QPushButton::clicked, this, [this] { closePort(); });
    connect(cmdSavePort, &QPushButton::clicked, this, [this] { savePortSettings(); });
    connect(&m_link, &Link::connectionChanged, this, &PortPanel::refreshPorts);
    m_refresh = new QTimer(this);
    connect(m_refresh, &QTimer::timeout, this, &PortPanel::refreshPorts);
    m_refresh->start(2000);
    refreshPorts();
}

QString PortPanel::describe(int com) const
{
    return tr("COM%1（%2）").arg(com).arg(m_ports.device(com));
}

void PortPanel::refreshPorts()
{
    // Only the items' looks change: their texts "COMn" stay, so do the selection and an open list.
    QString chosen;
    for (int i = 0; i < portList->count(); ++i) {
        const QString device = m_ports.device(i + 1);
        // A network line is there while the link's connection to it is up.
        const bool there = line::isNetwork(device) ? m_link.lineUp() && m_link.portName() == device
                                                   : serialdevice::present(device, sysRoot);
        const QString state = there ? tr("已连接") : tr("未连接");
        QFont font = portList->font();
        font.setBold(there);
        portList->setItemData(i, font, Qt::FontRole);
        const QString said = tr("COM%1（%2，%3）").arg(QString::number(i + 1), device, state);
        portList->setItemData(i, said, Qt::ToolTipRole);
        portList->setItemData(i, said, Qt::AccessibleTextRole);
        // A line the watcher owns is used through it: said beside the port.
        if (i == portList->currentIndex())
            chosen = m_link.viaWatcher() && m_link.lineUp() && m_link.portName() == device
                         ? tr("COM%1 = %2（经由监视程序）").arg(QString::number(i + 1), device)
                         : tr("COM%1 = %2（%3）").arg(QString::number(i + 1), device, state);
    }
    lblComDevice->setText(chosen);
    // A device server's serial side has its rate set on the server.
    const bool network = line::isNetwork(m_ports.device(portList->currentIndex() + 1));
    baudList->setEnabled(!network);
    baudList->setToolTip(network ? tr("网络线路的波特率在串口服务器或网关上设置") : QString());
}

void PortPanel::selectPort(int portNumber)
{
    if (portNumber >= ComPorts::kFirst && portNumber <= ComPorts::kLast)
        portList->setCurrentIndex(portNumber - 1);
}

void PortPanel::selectBaud(int rate)
{
    const int i = baudList->findText(QString::number(rate));
    baudList->setCurrentIndex(i);
    if (i < 0)  // a rate typed and saved earlier stays in the edit text, the list as it is
        baudList->setEditText(QString::number(rate));
}

void PortPanel::useRate(int rate)
{
    selectBaud(rate);
    rateInUse = rate;
    if (m_link.isOpen())
        m_link.setBaudRate(rate);
}

std::optional<int> PortPanel::baudChoice()
{
    const QString text = baudList->currentText();
    const auto rate = settings::baudRate(text);  // what comm.set keeps for the next start-up
    if (!rate) {
        m_desktop.warnAndSay(tr("波特率“%1”不是 %2 到 %3 之间的整数，端口设置未改变。")
                                 .arg(text, QString::number(settings::kMinBaud), QString::number(settings::kMaxBaud)));
        return std::nullopt;
    }
    return *rate;
}

bool PortPanel::openPort(int com, int rate)
{
    const QString device = m_ports.device(com);
    const QString text = site::openLink(m_link, replyWindow ? *replyWindow : records::ReplyWindow{}, device, rate, com);
    refreshPorts();
    if (text.isEmpty() && m_link.viaWatcher()) {
        emit statusMessage(tr("端口 %1 经由监视程序使用（%2 波特），与它的巡检轮流").arg(describe(com)).arg(m_link.baudRate()));
        return true;
    }
    if (text.isEmpty() && line::isNetwork(device)) {
        emit statusMessage(tr("端口 %1 已连接").arg(describe(com)));
        return true;
    }
    if (text.isEmpty()) {
        QString opened = tr("端口 %1 已打开，%2,N,8,1").arg(describe(com)).arg(rate);
        const QString advice = serialdevice::latencyAdvice(device, sysRoot);
        if (!advice.isEmpty())
            opened += tr("；") + advice;
        emit statusMessage(opened);
        return true;
    }
    m_desktop.message(QStringLiteral("System Information"), text, Desktop::Icon::Warning);
    emit statusMessage(tr("端口 %1 未能打开").arg(describe(com)));
    return false;
}

bool PortPanel::refusedWhileBusy()
{
    if (!m_link.busy())
        return false;
    emit statusMessage(busyMessage());
    return true;
}

std::optional<bool> PortPanel::openChosen()
{
    if (refusedWhileBusy())
        return std::nullopt;
    const auto rate = baudChoice();
    if (!rate)
        return std::nullopt;
    portInUse = portList->currentIndex() + 1;
    rateInUse = *rate;
    return openPort(portInUse, rateInUse);
}

void PortPanel::openChosenPort()
{
    openChosen();
}

void PortPanel::closePort()
{
    if (refusedWhileBusy())
        return;
    if (!m_link.isOpen()) {
        emit statusMessage(tr("端口未打开，无需关闭。"));
        return;
    }
    m_link.close();
    emit statusMessage(tr("端口已关闭"));
}

void PortPanel::reopenPort()
{
    if (refusedWhileBusy())
        return;
    openPort(portList->currentIndex() + 1, rateInUse);
}

void PortPanel::savePortSettings()
{
    const auto opened = openChosen();
    if (!opened)
        return;
    QString error;
    if (!settings::writeComm(m_desktop.appDir(), settings::Comm{portInUse, rateInUse}, &error)) {
        const QString path = QDir::toNativeSeparators(settings::commPath(m_desktop.appDir()));
        emit statusMessage(tr("设置未保存：无法写入 %1").arg(path));
        m_desktop.message(QStringLiteral("System Information"),
                          tr("无法写入 %1：%2\n设置未保存，原有文件保持不变。").arg(path, error),
                          Desktop::Icon::Warning);
        return;
    }
    if (*opened)
        m_desktop.message(QStringLiteral("System Prompted"), QStringLiteral("Save successfully"), Desktop::Icon::None);
    else
        emit statusMessage(tr("设置已保存到 comm.set，但端口 %1 未能打开").arg(describe(portInUse)));
}
