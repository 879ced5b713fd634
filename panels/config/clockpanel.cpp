#include "panels/config/clockpanel.h"
#include "ui/desktop.h"
#include "ui/registercommands.h"
#include "core/config/clockset.h"
#include "core/link/convert.h"
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ClockPanel::ClockPanel(PanelContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("clockPanel"));
    const auto &fields = clockfields::fields();
    for (int i = 0; i < clockfields::BoxCount; ++i) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QStringLiteral("txtTime(%1)").arg(i));
        e->setFixedWidth(40);
        e->setAccessibleName(fields[i].caption);
        txtTime[i] = e;
    }
    txtTime[3]->setAccessibleName(tr("星期（1为星期日，7为星期六）"));
    auto *g = new QGridLayout(this);
    // First row year, month, day and the weekday; second row hour, minute, second.
    const int rows[2][4] = {{6, 5, 4, 3}, {2, 1, 0, -1}};
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int i = rows[r][c];
            if (i < 0)
                continue;
            auto *l = new QLabel(fields[i].caption, this);
            l->setBuddy(txtTime[i]);
            if (i == 3) {
                // The weekday reads "星期 6": its caption comes first, and says how it counts.
                l->setToolTip(txtTime[i]->accessibleName());
                txtTime[i]->setToolTip(txtTime[i]->accessibleName());
                g->addWidget(l, r, 2 * c);
                g->addWidget(txtTime[i], r, 2 * c + 1);
                continue;
            }
            g->addWidget(txtTime[i], r, 2 * c);
            g->addWidget(l, r, 2 * c + 1);
        }
    }
    // Tab order follows the rows, not the order the boxes were made in.
    QWidget *previous = nullptr;
    for (const auto &row : rows)
        for (int i : row)
            if (i >= 0) {
                if (previous)
                    setTabOrder(previous, txtTime[i]);
                previous = txtTime[i];
            }
    cmdTimeWrite = commandButton(QStringLiteral("cmdTimeWrite"), tr("写入电脑时钟"), this);
    cmdTimeRead = commandButton(QStringLiteral("cmdTimeRead"), tr("读时钟"), this);
    g->addWidget(cmdTimeWrite, 2, 0, 1, 4);
    g->addWidget(cmdTimeRead, 2, 4, 1, 4);
    setTabOrder(previous, cmdTimeWrite);
    setTabOrder(cmdTimeWrite, cmdTimeRead);

    connect(cmdTimeRead, &QPushButton::clicked, this, [this] { readClock(); });
    connect(cmdTimeWrite, &QPushButton::clicked, this, [this] { writePcClock(); });
}

void ClockPanel::readClock()
{
    const auto cmd = beginCommand(m_ctx);
    if (!cmd)
        return;
    m_ctx.link.exchange(cmd->hold, kinds::ClockRead,
                        modbus::readHolding(cmd->address, clockfields::ReadRegister, clockfields::ReadCount),
                        [&](const Exchange &ex) {
                            if (!ex.valid())
                                return;  // an exception or a damaged reply changes no box
                            const auto texts = clockfields::readTexts(ex.reply);
                            for (int i = 0; i < clockfields::BoxCount; ++i)
                                if (texts[i])
                                    txtTime[i]->setText(*texts[i]);
                        });
}

void ClockPanel::writePcClock()
{
    const auto cmd = beginCommand(m_ctx);
    if (!cmd)
        return;
    const auto show = [this](const QDateTime &time) {
        const auto texts = clockfields::boxTexts(time);
        for (int i = 0; i < clockfields::BoxCount; ++i)
            txtTime[i]->setText(texts[i]);
    };
    show(m_ctx.desktop.now());
    // A PC clock the recorder cannot hold (from the year 2100 on) is refused before anything is sent.
    const auto &fields = clockfields::fields();
    for (int i = 0; i < clockfields::BoxCount; ++i)
        if (!clockfields::toBcd(txtTime[i]->text(), fields[i].lo, fields[i].hi)) {
            m_ctx.desktop.warnAndSay(convert::refusedBoxMessage(fields[i].caption, txtTime[i]->text(), fields[i].lo,
                                                                fields[i].hi, convert::Rounding::WholeOnly));
            return;
        }

    // The boxes end showing the time the recorder was set to: that of the moment it took it.
    const clockfields::ClockSet set = clockfields::setClock(m_ctx.link, cmd->hold, cmd->address, [this] { return m_ctx.desktop.now(); });
    if (set.time.isValid())
        show(set.time);
    if (!set.ended.isEmpty()) {
        m_ctx.view.showStatus(tr("写入电脑时钟：未完成（%1）").arg(set.ended));
        return;
    }
    const QStringList &unconfirmed = set.unconfirmed;
    if (unconfirmed.isEmpty())
        m_ctx.view.showStatus(tr("写入电脑时钟：设备时钟已设为 %1").arg(set.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    else
        m_ctx.view.showStatus(tr("写入电脑时钟：以下写入未被确认：%1").arg(unconfirmed.join(tr("；"))));
}
