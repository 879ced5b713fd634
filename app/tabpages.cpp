#include "app/tabpages.h"
#include "ui/commandstart.h"
#include "ui/valuelabel.h"
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

LivePage::LivePage(QWidget *parent) : QWidget(parent)
{
    lblAddressNote = new QLabel(tr("特别注意：记录仪默认设备地址为21"), this);
    lblAddressNote->setObjectName(QStringLiteral("Label3"));
    lblAddressNote->setStyleSheet(warningStyle(lblAddressNote));
    liveValuesFrame = makeFrame(QStringLiteral("Frame2(5)"), tr("温度组1"), this);
    modulePassFrame = makeFrame(QStringLiteral("Frame18"), tr("多模块操作"), this);
    pollingFrame = makeFrame(QStringLiteral("Frame11"), tr("单次采集"), this);
    storageStateFrame = makeFrame(QStringLiteral("Frame8"), tr("存储状态监测"), this);
    auto *g = new QGridLayout(this);
    g->addWidget(lblAddressNote, 0, 0, 1, 3);
    g->addWidget(liveValuesFrame, 1, 0, 3, 1);
    g->addWidget(pollingFrame, 1, 1);
    g->addWidget(modulePassFrame, 2, 1);
    g->addWidget(storageStateFrame, 3, 1);
    g->setRowStretch(1, 1);
    g->setRowStretch(2, 1);
    g->setRowStretch(3, 1);
    g->setColumnStretch(0, 3);
    g->setColumnStretch(1, 2);
}

QList<QWidget *> LivePage::readingOrder() const
{
    return {liveValuesFrame, pollingFrame, modulePassFrame, storageStateFrame};
}

InstrumentPage::InstrumentPage(QWidget *parent) : QWidget(parent)
{
    deviceCountFrame = makeFrame(QStringLiteral("Frame13"), tr("RS485 MODBUS-RTU轮循设备总数"), this);
    intervalFrame = makeFrame(QStringLiteral("Frame9"), tr("记录时间间隔"), this);
    fraClock = makeFrame(QStringLiteral("fraClock"), tr("设备时钟"), this);
    dataLengthFrame = makeFrame(QStringLiteral("Frame3"), tr("RS485轮循数据长度"), this);
    startRegisterFrame = makeFrame(QStringLiteral("Frame12"), tr("RS485轮循寄存器起始地址"), this);
    deviceAddressFrame = makeFrame(QStringLiteral("Frame4"), tr("RS485轮循设备地址"), this);
    baudRateFrame = makeFrame(QStringLiteral("Frame7(1)"), tr("波特率"), this);
    // The three polling frames side by side (each its twenty slots in two halves), the four small
    // frames in a row under them: the page fits a 1366 × 768 screen without scrolling.
    auto *g = new QGridLayout(this);
    g->addWidget(deviceAddressFrame, 0, 0);
    g->addWidget(startRegisterFrame, 0, 1);
    g->addWidget(dataLengthFrame, 0, 2);
    auto *small = new QHBoxLayout;
    for (QWidget *frame : {deviceCountFrame, intervalFrame, fraClock, baudRateFrame})
        small->addWidget(frame);
    g->addLayout(small, 1, 0, 1, 3);
    g->setRowStretch(2, 1);
}

QList<QWidget *> InstrumentPage::readingOrder() const
{
    return {deviceAddressFrame, startRegisterFrame, dataLengthFrame, deviceCountFrame, intervalFrame, fraClock,
            baudRateFrame};
}

ExtendedPage::ExtendedPage(QWidget *parent) : QWidget(parent)
{
    multiplierFrame = makeFrame(QStringLiteral("Frame16"), tr("测点数据倍率"), this);
    fraSensorType = makeFrame(QStringLiteral("fraSensorType"), tr("传感器类型"), this);
    auto *row = new QHBoxLayout(this);
    row->addWidget(multiplierFrame);
    row->addWidget(fraSensorType);
}

QList<QWidget *> ExtendedPage::readingOrder() const
{
    return {multiplierFrame, fraSensorType};
}

ToolsPage::ToolsPage(QWidget *parent) : QWidget(parent)
{
    fraSettingsFile = makeFrame(QStringLiteral("fraSettingsFile"), tr("记录仪设置文件"), this);
    fraBusScan = makeFrame(QStringLiteral("fraBusScan"), tr("总线扫描"), this);
    fraArchiveAudit = makeFrame(QStringLiteral("fraArchiveAudit"), tr("存档审计"), this);
    fraLanguage = makeFrame(QStringLiteral("fraLanguage"), tr("界面语言（Language）"), this);
    auto *column = new QVBoxLayout(this);
    column->addWidget(fraSettingsFile);
    column->addWidget(fraBusScan, 1);
    column->addWidget(fraArchiveAudit);
    column->addWidget(fraLanguage);
}

QList<QWidget *> ToolsPage::readingOrder() const
{
    return {fraSettingsFile, fraBusScan, fraArchiveAudit, fraLanguage};
}
