#include "ui/registercommands.h"
#include "ui/boxinput.h"
#include "core/config/pollingtable.h"
#include "core/config/recordersettings.h"
#include <QCoreApplication>
#include <QLineEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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
        ctx.view.showStatus(QCoreApplication::translate("RegisterCommands", "%1：%2").arg(command, done));
    else
        ctx.view.showStatus(QCoreApplication::translate("RegisterCommands", "%1：写入未被确认（%2）").arg(command, problem));
}

std::optional<uint16_t> readRegisterInto(PanelContext &ctx, const ExchangeKind &kind, uint16_t reg, QLineEdit *box)
{
    return readRegisterInto(ctx, kind, reg, [box](uint16_t w) { box->setText(QString::number(w)); });
}

std::optional<uint16_t> readRegisterInto(PanelContext &ctx, const ExchangeKind &kind, uint16_t reg,
                                         const std::function<void(uint16_t)> &show)
{
    const auto cmd = beginCommand(ctx);
    if (!cmd)
        return std::nullopt;
    std::optional<uint16_t> shown;
    ctx.link.exchange(cmd->hold, kind, modbus::readHolding(cmd->address, reg, 1), [&](const Exchange &ex) {
        if (!ex.valid())
            return;  // an exception reply or a damaged one: the status line says which
        shown = polling::replyWord(ex.reply, 0);
        if (shown)
            show(*shown);
    });
    return shown;
}
