#include "ui/commandstart.h"
#include "ui/boxinput.h"
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

std::optional<Link::Hold> holdBus(PanelContext &ctx, const QString &command)
{
    auto hold = ctx.link.tryHold();
    if (!hold)
        ctx.view.showStatus(busyMessage(command));
    return hold;
}

bool portOpenOrSay(PanelContext &ctx, const QString &refusal)
{
    if (ctx.link.isOpen())
        return true;
    ctx.view.showStatus(refusal);
    return false;
}

QString busyMessage(const QString &command)
{
    return command.isEmpty() ? QCoreApplication::translate("CommandStart", "总线忙：另一条命令正在进行，本命令未执行。")
                             : QCoreApplication::translate("CommandStart", "%1：总线忙，另一条命令正在进行，命令未发送").arg(command);
}

std::optional<DeviceCommand> beginCommand(PanelContext &ctx, const QString &command)
{
    auto hold = holdBus(ctx, command);
    if (!hold)
        return std::nullopt;
    const auto address = ctx.modbus.deviceAddress();
    if (!address)
        return std::nullopt;
    return DeviceCommand{std::move(*hold), *address};
}

namespace {
// A push button whose size hint is its caption and the style's margins, without the style's minimum
// width and no taller than a number box: rows of twenty of them fit where standard buttons would not.
class CaptionWideButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override
    {
        QSize s = QPushButton::sizeHint();
        const int margins = 2 * (style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, this) +
                                 style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this));
        const QSize caption = fontMetrics().size(Qt::TextShowMnemonic, text());
        s.setWidth(std::min(s.width(), caption.width() + margins + 4));
        s.setHeight(std::min(s.height(), caption.height() + margins / 2 + 4));
        return s;
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};
} // namespace

QPushButton *namedButton(const QString &name, const QString &caption, QWidget *parent, ButtonWidth width)
{
    QPushButton *b = width == ButtonWidth::Caption ? new CaptionWideButton(caption, parent) : new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QPushButton *commandButton(const QString &name, const QString &caption, QWidget *parent, ButtonWidth width)
{
    QPushButton *b = namedButton(name, caption, parent, width);
    b->setProperty("deviceCommand", true);
    return b;
}

void fillFrame(QGroupBox *frame, QWidget *panel)
{
    // The frame keeps a small margin; the panel inside adds none of its own.
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 6, 6, 6);
    if (panel->layout())
        panel->layout()->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
}

void setReadingOrder(const QList<QWidget *> &frames)
{
    QList<QWidget *> stops;
    const auto takesTab = [](QWidget *w) { return (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy(); };
    for (QWidget *frame : frames) {
        if (takesTab(frame))
            stops << frame;
        for (QWidget *w = frame->nextInFocusChain(); w != frame; w = w->nextInFocusChain())
            if (frame->isAncestorOf(w) && takesTab(w) && !stops.contains(w))
                stops << w;
    }
    for (qsizetype i = 0; i + 1 < stops.size(); ++i)
        QWidget::setTabOrder(stops[i], stops[i + 1]);
}

QGroupBox *makeFrame(const QString &name, const QString &caption, QWidget *parent)
{
    auto *f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    return f;
}

QLineEdit *captionedBox(const QString &name, const QString &text, const QString &caption, QGridLayout *grid, int row,
                        int col, QWidget *parent)
{
    auto *e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setMaximumWidth(64);
    auto *l = new QLabel(caption, parent);
    l->setBuddy(e);
    grid->addWidget(l, row, col);
    grid->addWidget(e, row, col + 1);
    return e;
}
