#include "panels/status/trafficpanel.h"
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
QLineEdit *hexBox(const QString &name, const QString &accessible, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);  // not a Tab stop; still read out, and copied after a click
    e->setAccessibleName(accessible);
    e->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    e->setMinimumWidth(360);
    return e;
}
} // namespace

TrafficPanel::TrafficPanel(QWidget *parent) : QGroupBox(tr("命令状态"), parent)
{
    setObjectName(QStringLiteral("Frame1"));
    txtCommand = hexBox(QStringLiteral("txtCommand"), tr("发送命令（十六进制）"), this);
    txtState = hexBox(QStringLiteral("txtState"), tr("响应命令（十六进制）"), this);
    auto *lc = new QLabel(tr("发送命令"), this);
    auto *ls = new QLabel(tr("响应命令"), this);
    lc->setBuddy(txtCommand);
    ls->setBuddy(txtState);
    lblCommandUnit = new QLabel(QStringLiteral("℃"), this);
    lblCommandUnit->setObjectName(QStringLiteral("lblUnit(5)"));
    lblStateUnit = new QLabel(QStringLiteral("℃"), this);
    lblStateUnit->setObjectName(QStringLiteral("lblUnit(6)"));
    cmdMonitor = new QPushButton(tr("通信监视"), this);
    cmdMonitor->setObjectName(QStringLiteral("cmdMonitor"));
    cmdMonitor->setCheckable(true);
    cmdMonitor->setToolTip(tr("显示或隐藏总线上收发的每一帧"));
    auto *g = new QGridLayout(this);
    g->addWidget(lc, 0, 0);
    g->addWidget(txtCommand, 0, 1);
    g->addWidget(lblCommandUnit, 0, 2);
    g->addWidget(ls, 1, 0);
    g->addWidget(txtState, 1, 1);
    g->addWidget(lblStateUnit, 1, 2);
    g->addWidget(cmdMonitor, 0, 3, 2, 1);
}
