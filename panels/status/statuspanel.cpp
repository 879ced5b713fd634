#include "panels/status/statuspanel.h"
#include "ui/valuelabel.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QPainter>
#include <QStackedWidget>

namespace {
// A round signal lamp, drawn lit with a highlight so it reads as a lamp, not a flat dot.
class LampWidget : public QWidget {
public:
    LampWidget(QColor colour, QWidget *parent) : QWidget(parent), m_colour(colour) { setFixedSize(20, 20); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
        QRadialGradient g(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.6);
        g.setColorAt(0, m_colour.lighter(170));
        g.setColorAt(0.6, m_colour);
        g.setColorAt(1, m_colour.darker(160));
        p.setBrush(g);
        p.setPen(QPen(m_colour.darker(220), 1));
        p.drawEllipse(r);
    }

private:
    QColor m_colour;
};

ValueLabel *counter(const QString &name, const QString &accessible, QWidget *parent)
{
    auto *l = new ValueLabel(QStringLiteral("0"), accessible, parent);
    l->setObjectName(name);
    l->setToolTip(accessible);
    l->setMinimumWidth(48);
    l->setFixedHeight(22);
    l->setFrameShape(QFrame::StyledPanel);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}
} // namespace

StatusPanel::StatusPanel(QWidget *parent) : QGroupBox(tr("运行状态栏"), parent)
{
    setObjectName(QStringLiteral("Frame6"));
    lampStack = new QStackedWidget(this);
    lampStack->setObjectName(QStringLiteral("Picture2"));
    lampStack->setFixedSize(20, 20);
    struct LampDef { QWidget **slot; const char *name; QColor colour; const char *accessible; };
    const LampDef lamps[] = {
        {&imgConnected, "imgConnected", QColor(0, 190, 60), QT_TR_NOOP("通讯状态灯：绿色，已到应答时间")},
        {&imgSending, "ImgYellow", QColor(240, 200, 0), QT_TR_NOOP("通讯状态灯：黄色，正在发送请求")},
        {&imgNotConnected, "imgNotConnected", QColor(220, 30, 30), QT_TR_NOOP("通讯状态灯：红色，端口未打开")},
    };
    for (const LampDef &d : lamps) {
        auto *w = new LampWidget(d.colour, lampStack);
        w->setObjectName(QLatin1String(d.name));
        w->setToolTip(tr("数据采集通讯状态指示"));
        w->setAccessibleName(tr(d.accessible));
        lampStack->addWidget(w);
        *d.slot = w;
    }
    // Before the first exchange nothing has been sent: the red lamp until the port proves itself.
    lampStack->setCurrentWidget(imgNotConnected);

    auto *separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("Line1"));
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);

    lblReplyCount = counter(QStringLiteral("lblRecCount"), tr("收到应答次数"), this);
    lblPassCount = counter(QStringLiteral("lblCicle"), tr("多模块循环次数"), this);
    lblRequestCount = counter(QStringLiteral("lblCounter"), tr("发送请求次数"), this);

    auto *row = new QHBoxLayout(this);
    row->addWidget(lampStack);
    row->addWidget(separator);
    // A short caption before each counter: the numbers alone say nothing to a newcomer.
    for (const auto &[l, caption] : {std::pair{lblReplyCount, tr("应答")}, std::pair{lblPassCount, tr("循环")},
                                     std::pair{lblRequestCount, tr("请求")}}) {
        auto *c = new QLabel(caption, this);
        c->setObjectName(l->objectName() + QStringLiteral("Caption"));
        c->setBuddy(l);
        row->addWidget(c);
        row->addWidget(l);
    }
    cmdResetCounters = new QPushButton(tr("清零"), this);
    cmdResetCounters->setObjectName(QStringLiteral("cmdResetCounters"));
    cmdResetCounters->setToolTip(tr("请求和应答次数从 0 重新计数"));
    row->addWidget(cmdResetCounters);
    connect(cmdResetCounters, &QPushButton::clicked, this, &StatusPanel::resetCounters);
    row->addStretch();  // each caption stays beside its counter, however wide the group
}

void StatusPanel::showLamp(Lamp lamp)
{
    switch (lamp) {
    case Lamp::Yellow: lampStack->setCurrentWidget(imgSending); break;
    case Lamp::Green: lampStack->setCurrentWidget(imgConnected); break;
    case Lamp::Red: lampStack->setCurrentWidget(imgNotConnected); break;
    }
}

Lamp StatusPanel::lamp() const
{
    QWidget *front = lampStack->currentWidget();
    if (front == imgSending)
        return Lamp::Yellow;
    if (front == imgConnected)
        return Lamp::Green;
    return Lamp::Red;
}

void StatusPanel::resetCounters()
{
    lblRequestCount->setText(QStringLiteral("0"));
    lblReplyCount->setText(QStringLiteral("0"));
}

void StatusPanel::setPasses(long long n)
{
    lblPassCount->setText(QString::number(n));
}

void incrementCounter(ValueLabel *counter)
{
    counter->setText(QString::number(counter->text().toLongLong() + 1));
}
