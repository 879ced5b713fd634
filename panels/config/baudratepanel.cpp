#include "panels/config/baudratepanel.h"
#include "ui/boxinput.h"
#include "ui/registercommands.h"
#include "core/config/recordersettings.h"
#include "core/link/baudrates.h"
#include "core/link/writes.h"
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

BaudRatePanel::BaudRatePanel(PanelContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("baudRatePanel"));
    // The caption above the two boxes, split so that each part stands over its own box.
    auto *currentCaption = new QLabel(tr("当前波特率："), this);
    auto *targetCaption = new QLabel(tr("更改为"), this);
    txtCurrentBaudCode = new QLineEdit(QStringLiteral("2"), this);
    txtCurrentBaudCode->setObjectName(QStringLiteral("txtCurrentBuad"));
    txtCurrentBaudCode->setAccessibleName(tr("当前波特率代码"));
    txtCurrentBaudCode->setFixedWidth(48);
    currentCaption->setBuddy(txtCurrentBaudCode);
    txtNewBaudCode = new QLineEdit(QStringLiteral("0"), this);
    txtNewBaudCode->setObjectName(QStringLiteral("txtObjectBuad"));
    txtNewBaudCode->setAccessibleName(tr("更改为的波特率代码"));
    txtNewBaudCode->setFixedWidth(48);
    targetCaption->setBuddy(txtNewBaudCode);
    cmdChangeBaud = commandButton(QStringLiteral("cmdBuadRate"), tr("修改"), this, ButtonWidth::Caption);
    auto *below = hintLabel(tr("值对应波特率 1-4800 2-9600 3-14400 4-19200 5-38400"), this);

    auto *g = new QGridLayout(this);
    // One row of boxes, each after its caption, the code list under them: the frame is as low as
    // its neighbours on the page.
    g->addWidget(currentCaption, 0, 0);
    g->addWidget(txtCurrentBaudCode, 0, 1);
    g->addWidget(targetCaption, 0, 2);
    g->addWidget(txtNewBaudCode, 0, 3);
    g->addWidget(cmdChangeBaud, 0, 4);
    g->addWidget(below, 1, 0, 1, 5);
    g->setColumnStretch(5, 1);

    connect(cmdChangeBaud, &QPushButton::clicked, this, [this] { changeBaudRate(); });
}

void BaudRatePanel::changeBaudRate()
{
    const auto cmd = beginCommand(m_ctx);
    if (!cmd)
        return;
    // Only the codes the recorder knows: any other would leave it at a rate nobody can reach.
    const auto current = boxNumber(m_ctx.desktop, txtCurrentBaudCode, tr("当前波特率"), baud::LowestCode,
                                   baud::HighestCode, convert::Rounding::WholeOnly);
    if (!current)
        return;
    const auto target = boxNumber(m_ctx.desktop, txtNewBaudCode, tr("更改为"), baud::LowestCode,
                                  baud::HighestCode, convert::Rounding::WholeOnly);
    if (!target)
        return;
    const Exchange ex = setRegister(m_ctx.link, cmd->hold, cmd->address,
                                     uint16_t(recorder::BaudRegisterBase + *current), uint16_t(*target));
    const QString command = tr("修改波特率");
    const QString problem = recorder::writeProblem(ex);
    if (!problem.isEmpty()) {
        QString text = tr("%1：写入未被确认（%2）").arg(command, problem);
        if (ex.info.cls == modbus::ReplyClass::Exception && ex.info.exceptionCode == 0x02)
            text += tr("，请核对“当前波特率”代码");
        m_ctx.view.showStatus(text);
        return;
    }
    // The recorder now listens at the new rate; this port still talks at the old one.
    const int rate = baud::ofCode(int(*target));
    txtCurrentBaudCode->setText(QString::number(*target));
    if (!m_ctx.link.baudRateSettable()) {
        m_ctx.view.showStatus(tr("%1：记录仪波特率已改为 %2（代码 %3）。请在串口服务器或网关上把串口波特率也改为 %2 后再通讯。")
                                  .arg(command).arg(rate).arg(*target));
        return;
    }
    m_ctx.view.showStatus(tr("%1：记录仪波特率已改为 %2（代码 %3）。本机端口仍为 %4，请在“串口设置”中把波特率改为 "
                                         "%2 并重新打开端口后再通讯。")
                              .arg(command)
                              .arg(rate)
                              .arg(*target)
                              .arg(m_ctx.link.baudRate()));
}
