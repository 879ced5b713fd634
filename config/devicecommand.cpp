#include "config/devicecommand.h"
#include "app/boxinput.h"
#include "app/modbuspanel.h"
#include "config/pollingtable.h"
#include "config/recordersettings.h"
#include <QLineEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

std::optional<DeviceCommand> beginCommand(PanelContext &ctx)
{
    auto hold = ctx.link.tryHold();
    if (!hold) {
        ctx.view.showStatus(QStringLiteral("总线忙：另一条命令正在进行，本命令未执行。"));
        return std::nullopt;
    }
    const auto address = boxAddress(ctx.desktop, ctx.modbus.txtStationID);
    if (!address)
        return std::nullopt;
    return DeviceCommand{std::move(*hold), *address};
}

void fillFrame(QGroupBox *frame, QWidget *panel)
{
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(panel);
}

QPushButton *commandButton(const QString &name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setProperty("deviceCommand", true);
    return b;
}

QLabel *hintLabel(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

void reportWrite(PanelContext &ctx, const QString &command, const Exchange &ex, const QString &done)
{
    const QString problem = recorder::writeProblem(ex);
    if (problem.isEmpty())
        ctx.view.showStatus(QStringLiteral("%1：%2").arg(command, done));
    else
        ctx.view.showStatus(QStringLiteral("%1：写入未被确认（%2）").arg(command, problem));
}

void readRegisterInto(PanelContext &ctx, const ExchangeKind &kind, uint16_t reg, QLineEdit *box)
{
    const auto cmd = beginCommand(ctx);
    if (!cmd)
        return;
    ctx.link.exchange(cmd->hold, kind, modbus::readHolding(cmd->address, reg, 1), [&](const Exchange &ex) {
        if (!ex.valid())
            return;  // an exception reply or a damaged one: the status line says which
        if (const auto w = polling::replyWord(ex.reply, 0))
            box->setText(QString::number(*w));
    });
}
