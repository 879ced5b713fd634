#include "app/tabpages.h"
#include "ui/commandstart.h"
#include "ui/valuelabel.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

LivePage::LivePage(QWidget *parent) : QWidget(parent)
{
    Label3 = new QLabel(tr("特别注意：记录仪默认设备地址为21"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setStyleSheet(warningStyle(Label3));
    Frame2_5 = makeFrame(QStringLiteral("Frame2(5)"), tr("温度组1"), this);
    Frame18 = makeFrame(QStringLiteral("Frame18"), tr("多模块操作"), this);
    Frame11 = makeFrame(QStringLiteral("Frame11"), tr("单次采集"), this);
    Frame8 = makeFrame(QStringLiteral("Frame8"), tr("存储状态监测"), this);
    auto *g = new QGridLayout(this);
    g->addWidget(Label3, 0, 0, 1, 3);
    g->addWidget(Frame2_5, 1, 0, 3, 1);
    g->addWidget(Frame11, 1, 1);
    g->addWidget(Frame18, 2, 1);
    g->addWidget(Frame8, 3, 1);
    g->setRowStretch(1, 1);
    g->setRowStretch(2, 1);
    g->setRowStretch(3, 1);
    g->setColumnStretch(0, 3);
    g->setColumnStretch(1, 2);
}

QList<QWidget *> LivePage::readingOrder() const
{
    return {Frame2_5, Frame11, Frame18, Frame8};
}

InstrumentPage::InstrumentPage(QWidget *parent) : QWidget(parent)
{
    Frame13 = makeFrame(QStringLiteral("Frame13"), tr("RS485 MODBUS-RTU轮循设备总数"), this);
    Frame9 = makeFrame(QStringLiteral("Frame9"), tr("记录时间间隔"), this);
    fraClock = makeFrame(QStringLiteral("fraClock"), tr("设备时钟"), this);
    Frame3 = makeFrame(QStringLiteral("Frame3"), tr("RS485轮循数据长度"), this);
    Frame12 = makeFrame(QStringLiteral("Frame12"), tr("RS485轮循寄存器起始地址"), this);
    Frame4 = makeFrame(QStringLiteral("Frame4"), tr("RS485轮循设备地址"), this);
    Frame7_1 = makeFrame(QStringLiteral("Frame7(1)"), tr("波特率"), this);
    // The three polling columns side by side, the four small frames two by two under them: in one
    // row the page would not fit a 1366-pixel screen.
    auto *g = new QGridLayout(this);
    g->addWidget(Frame4, 0, 0);
    g->addWidget(Frame12, 0, 1);
    g->addWidget(Frame3, 0, 2);
    auto *small = new QGridLayout;
    small->addWidget(Frame13, 0, 0);
    small->addWidget(Frame9, 0, 1);
    small->addWidget(fraClock, 1, 0);
    small->addWidget(Frame7_1, 1, 1);
    g->addLayout(small, 1, 0, 1, 3);
    g->setRowStretch(2, 1);
}

QList<QWidget *> InstrumentPage::readingOrder() const
{
    return {Frame4, Frame12, Frame3, Frame13, Frame9, fraClock, Frame7_1};
}

ExtendedPage::ExtendedPage(QWidget *parent) : QWidget(parent)
{
    Frame16 = makeFrame(QStringLiteral("Frame16"), tr("测点数据倍率"), this);
    fraSensorType = makeFrame(QStringLiteral("fraSensorType"), tr("传感器类型"), this);
    auto *row = new QHBoxLayout(this);
    row->addWidget(Frame16);
    row->addWidget(fraSensorType);
}

QList<QWidget *> ExtendedPage::readingOrder() const
{
    return {Frame16, fraSensorType};
}

ToolsPage::ToolsPage(QWidget *parent) : QWidget(parent)
{
    fraSettingsFile = makeFrame(QStringLiteral("fraSettingsFile"), tr("记录仪设置文件"), this);
    fraBusScan = makeFrame(QStringLiteral("fraBusScan"), tr("总线扫描"), this);
    fraLanguage = makeFrame(QStringLiteral("fraLanguage"), tr("界面语言（Language）"), this);
    auto *column = new QVBoxLayout(this);
    column->addWidget(fraSettingsFile);
    column->addWidget(fraBusScan, 1);
    column->addWidget(fraLanguage);
}

QList<QWidget *> ToolsPage::readingOrder() const
{
    return {fraSettingsFile, fraBusScan, fraLanguage};
}
