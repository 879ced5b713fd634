#include "panels/history/recordernamepanel.h"
#include "core/settings/comports.h"
#include "core/settings/settingsaudit.h"
#include "core/link/convert.h"
#include "ui/boxinput.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "ui/recordarchive.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

RecorderNamePanel::RecorderNamePanel(PanelContext &context, QWidget *parent)
    : QGroupBox(tr("记录仪名称"), parent), m_ctx(context)
{
    setObjectName(QStringLiteral("fraRecorderName"));
    const auto box = [this](const QString &name, int chars) {
        auto *b = new QLineEdit(this);
        b->setObjectName(name);
        b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 16);
        return b;
    };
    txtNameCom = box(QStringLiteral("txtNameCom"), 3);
    txtNameAddress = box(QStringLiteral("txtNameAddress"), 4);
    txtRecorderName = new QLineEdit(this);
    txtRecorderName->setObjectName(QStringLiteral("txtRecorderName"));
    txtRecorderName->setMaxLength(RecorderNames::kMaxNameLength);
    cmdSetName = namedButton(QStringLiteral("cmdSetName"), tr("命名"), this);
    cmdDefaultName = namedButton(QStringLiteral("cmdDefaultName"), tr("恢复默认名称"), this);
    cmdSetName->setToolTip(tr("此端口和地址上的记录仪以后读到的记录都存在这个名称下"));
    auto *row = new QHBoxLayout(this);
    // A flat frame and a tight row: the chart and the table below keep the height.
    setFlat(true);
    row->setContentsMargins(4, 2, 4, 2);
    const auto captioned = [&](const QString &caption, QLineEdit *b) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(b);
        row->addWidget(label);
        row->addWidget(b);
    };
    captioned(tr("端口 COM"), txtNameCom);
    captioned(tr("地址"), txtNameAddress);
    captioned(tr("名称"), txtRecorderName);
    row->addWidget(cmdSetName);
    row->addWidget(cmdDefaultName);
    lblNamed = new QLabel(this);
    lblNamed->setObjectName(QStringLiteral("lblNamed"));
    row->addWidget(lblNamed);
    connect(txtNameCom, &QLineEdit::textChanged, this, &RecorderNamePanel::showNamed);
    connect(txtNameAddress, &QLineEdit::textChanged, this, &RecorderNamePanel::showNamed);
    connect(cmdSetName, &QPushButton::clicked, this, [this] { nameRecorder(); });
    connect(cmdDefaultName, &QPushButton::clicked, this, [this] { restoreDefaultName(); });
}

void RecorderNamePanel::fillCurrent()
{
    if (!m_ctx.archive)
        return;
    // The recorder being read: the port in use and the device address box.
    txtNameCom->setText(QString::number(m_ctx.archive->comPort()));
    txtNameAddress->setText(QString::number(m_ctx.modbus.addressInBox().value_or(uint8_t(m_ctx.archive->lastAddress()))));
    showNamed();
}

void RecorderNamePanel::showNamed()
{
    const auto com = convert::toWhole(txtNameCom->text(), ComPorts::kFirst, ComPorts::kLast, convert::Rounding::WholeOnly);
    const auto address = convert::toWhole(txtNameAddress->text(), RecorderNames::kMinAddress, RecorderNames::kMaxAddress,
                                          convert::Rounding::WholeOnly);
    lblNamed->setText(com && address && m_ctx.archive
                          ? tr("命名的记录仪：COM%1 地址 %2，现名“%3”").arg(*com).arg(*address)
                                .arg(m_ctx.archive->names().name(int(*com), int(*address)))
                          : tr("命名的记录仪：端口或地址无效"));
}

void RecorderNamePanel::nameRecorder()
{
    if (txtRecorderName->text().trimmed().isEmpty()) {
        m_ctx.desktop.message(QStringLiteral("System Information"), tr("请在“名称”中填写记录仪的名称。"),
                              Desktop::Icon::Warning);
        return;
    }
    rename(txtRecorderName->text());
}

void RecorderNamePanel::restoreDefaultName()
{
    rename(QString());
}

void RecorderNamePanel::rename(const QString &newName)
{
    if (!m_ctx.archive)
        return;
    Desktop &d = m_ctx.desktop;
    const auto com = boxNumber(d, txtNameCom, tr("端口 COM"), ComPorts::kFirst, ComPorts::kLast);
    if (!com)
        return;
    const auto address = boxNumber(d, txtNameAddress, tr("地址"), RecorderNames::kMinAddress,
                                   RecorderNames::kMaxAddress);
    if (!address)
        return;
    RecorderNames names = m_ctx.archive->names();
    const QString before = names.name(int(*com), int(*address));
    QString error;
    if (newName.isEmpty())
        names.clearName(int(*com), int(*address));
    else if (!names.setName(int(*com), int(*address), newName, &error)) {
        d.message(QStringLiteral("System Information"), tr("不能这样命名：%1。").arg(error), Desktop::Icon::Warning);
        return;
    }
    const QString after = names.name(int(*com), int(*address));
    if (after == before) {
        m_ctx.view.showStatus(tr("记录仪名称：COM%1 地址 %2 已叫“%3”").arg(*com).arg(*address).arg(after));
        return;
    }
    if (!names.save(d.appDir(), &error)) {
        d.message(QStringLiteral("System Information"), tr("名称未改：%1").arg(error), Desktop::Icon::Warning);
        return;
    }
    m_ctx.archive->names() = names;
    QString note;
    archive::RecordStore *store = m_ctx.archive->open(&error);
    if (!store || !store->audit().append({after, QLatin1String(archive::kinds::RecorderName), before, after}, &error))
        note = tr("，审计记录没有写进存档（%1）").arg(error);
    // Each file as saved is the trail's from now on: the next start does not take it for an edit.
    const auto saved = [&](const QString &file) {
        if (store && !settings::auditSettingsFile(store->audit(), d.appDir(), file, settings::Writer::Program, &error))
            note += tr("，%1").arg(error);
    };
    saved(RecorderNames::fileName());
    if (store && store->records().span(before, &error)
        && d.confirm(QStringLiteral("System Information"),
                     tr("存档中有“%1”的记录。把它们改归“%2”吗？").arg(before, after))) {
        const auto moved = store->records().rename(before, after, &error);
        note = moved ? tr("，存档中 %1 条记录已改归新名称").arg(*moved)
                     : tr("，存档中的记录未能改归新名称（%1）").arg(error);
    }
    // The sensors' names and limits belong to the recorder, whatever it is called.
    sensors::SensorTable table = m_ctx.archive->sensors();
    table.rename(before, after);
    if (table.content() != m_ctx.archive->sensors().content()) {
        if (table.save(d.appDir(), &error)) {
            m_ctx.archive->sensors() = table;
            saved(table.fileName());
        } else {
            note += tr("；传感器名称与限值未能改到新名称下（%1）").arg(error);
        }
    }
    m_ctx.view.showStatus(tr("记录仪名称：COM%1 地址 %2 现在叫“%3”").arg(*com).arg(*address).arg(after) + note);
    emit renamed();
}
