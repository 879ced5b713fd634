#include "panels/port/modbuspanel.h"
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

ModbusPanel::ModbusPanel(QWidget *parent) : QGroupBox(QStringLiteral("MODBUS-RTU设置"), parent)
{
    setObjectName(QStringLiteral("Frame10"));
    auto *g = new QGridLayout(this);
    auto box = [&](const QString &name, const QString &text, const QString &caption, int row, int col) {
        auto *e = new QLineEdit(text, this);
        e->setObjectName(name);
        e->setMaximumWidth(64);
        auto *l = new QLabel(caption, this);
        l->setBuddy(e);
        g->addWidget(l, row, col);
        g->addWidget(e, row, col + 1);
        return e;
    };
    txtStationID = box(QStringLiteral("txtStationID"), QStringLiteral("2"), QStringLiteral("设备地址"), 0, 0);
    txtStartID = box(QStringLiteral("txtStartID"), QStringLiteral("1"), QStringLiteral("起始地址"), 0, 2);
    txtDataLength = box(QStringLiteral("txtDataLength"), QStringLiteral("32"), QStringLiteral("数据长度"), 1, 0);
    txtFunID = box(QStringLiteral("txtFunID"), QStringLiteral("3"), QStringLiteral("功能号"), 1, 2);
}
