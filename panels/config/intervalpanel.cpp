#include "panels/config/intervalpanel.h"
#include "ui/boxinput.h"
#include "ui/registercommands.h"
#include "core/config/recordersettings.h"
#include "core/link/writes.h"
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

IntervalPanel::IntervalPanel(PanelContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("intervalPanel"));
    txtRecInt = new QLineEdit(QStringLiteral("1"), this);
    txtRecInt->setObjectName(QStringLiteral("txtRecInt"));
    txtRecInt->setFixedWidth(64);
    auto *label = new QLabel(tr("时间间隔"), this);
    label->setBuddy(txtRecInt);
    cmdSetRecInt = commandButton(QStringLiteral("cmdSetRecInt"), tr("设置记录时间间隔"), this);
    cmdReadInterv = commandButton(QStringLiteral("cmdReadInterv"), tr("读记录时间间隔"), this);
    auto *hint = hintLabel(tr("值范围：1-9999，0时则不记录,当需要两个时间差为整数时，比如定时60秒，"
                                          "此值应设为59，建议此值大于59秒，以保证通讯流畅"),
                           this);
    auto *g = new QGridLayout(this);
    g->addWidget(label, 0, 0);
    g->addWidget(txtRecInt, 0, 1);
    g->addWidget(cmdSetRecInt, 0, 2);
    g->addWidget(cmdReadInterv, 0, 3);
    g->addWidget(hint, 1, 0, 1, 4);
    g->setColumnStretch(4, 1);

    connect(cmdSetRecInt, &QPushButton::clicked, this, [this] { writeInterval(); });
    connect(cmdReadInterv, &QPushButton::clicked, this, [this] { readInterval(); });
}

void IntervalPanel::writeInterval()
{
    const auto cmd = beginCommand(m_ctx);
    if (!cmd)
        return;
    const QString text = txtRecInt->text();
    const auto v = boxNumber(m_ctx.desktop, txtRecInt, tr("时间间隔"), 0, 65535);
    if (!v)
        return;
    const Exchange ex = setRegister(m_ctx.link, cmd->hold, cmd->address, recorder::IntervalRegister, uint16_t(*v));
    // A fraction goes out rounded; the user is told what the recorder now has.
    const QString rounding = convert::roundingNote(text, *v);
    QString done;
    if (*v == 0)
        done = rounding.isEmpty() ? tr("已设为 0（不记录）")
                                  : tr("已设为 0（不记录；%1）").arg(rounding);
    else
        done = rounding.isEmpty() ? tr("已设为 %1 秒").arg(*v)
                                  : tr("已设为 %1 秒（%2）").arg(*v).arg(rounding);
    reportWrite(m_ctx, tr("设置记录时间间隔"), ex, done);
}

void IntervalPanel::readInterval()
{
    readRegisterInto(m_ctx, kinds::IntervalRead, recorder::IntervalRegister, txtRecInt);
}
