#include "panels/history/sensortablepanel.h"
#include "core/settings/sensortable.h"
#include "core/settings/settingsaudit.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "ui/recordarchive.h"
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
enum Column { Name, Unit, Low, High, Columns };
}

SensorTablePanel::SensorTablePanel(PanelContext &context, QWidget *parent) : QWidget(parent), m_ctx(context)
{
    setObjectName(QStringLiteral("SensorTablePanel"));
    cboSensorRecorder = new QComboBox(this);
    cboSensorRecorder->setObjectName(QStringLiteral("cboSensorRecorder"));
    cboSensorRecorder->setEditable(true);
    cboSensorRecorder->setMinimumContentsLength(16);
    cboSensorRecorder->setAccessibleName(tr("记录仪"));
    tblSensors = new QTableWidget(sensors::MaxSensor, Columns, this);
    tblSensors->setObjectName(QStringLiteral("tblSensors"));
    tblSensors->setAccessibleName(tr("传感器名称与限值"));
    tblSensors->setHorizontalHeaderLabels({tr("名称"), tr("单位"), tr("下限"), tr("上限")});
    QStringList rows;
    for (int s = 1; s <= sensors::MaxSensor; ++s)
        rows << tr("%1#传感器").arg(s);
    tblSensors->setVerticalHeaderLabels(rows);
    tblSensors->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
    cmdSaveSensors = namedButton(QStringLiteral("cmdSaveSensors"), tr("保存"), this);
    cmdSaveSensors->setToolTip(tr("把这台记录仪的传感器名称和限值存入 sensors.set"));

    auto *caption = new QLabel(tr("记录仪"), this);
    caption->setBuddy(cboSensorRecorder);
    auto *top = new QHBoxLayout;
    top->addWidget(caption);
    top->addWidget(cboSensorRecorder);
    top->addWidget(cmdSaveSensors);
    top->addStretch();
    auto *hint = new QLabel(tr("限值与实时值、历史值一样以一位小数表示；留空表示没有该限值。等于限值仍在范围内，无读数的传感器从不超限。"), this);
    hint->setWordWrap(true);
    auto *column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(hint);
    column->addWidget(tblSensors, 1);
    setTabOrder(cmdSaveSensors, tblSensors);  // the table was made before the button above it

    connect(cboSensorRecorder, &QComboBox::currentTextChanged, this, [this] { showRecorder(); });
    connect(cmdSaveSensors, &QPushButton::clicked, this, [this] { saveSensors(); });
}

void SensorTablePanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refreshRecorders();
}

void SensorTablePanel::refreshRecorders()
{
    if (!m_ctx.archive)
        return;
    QStringList names;
    QString error;
    if (archive::RecordStore *store = m_ctx.archive->open(&error))
        names = store->records().recorders();
    // The recorder being read: the device address box on the port in use.
    const QString current = m_ctx.archive->recorderName(m_ctx.modbus.addressInBox().value_or(uint8_t(m_ctx.archive->lastAddress())));
    if (!names.contains(current))
        names.prepend(current);
    const QString chosen = cboSensorRecorder->currentText();
    const QSignalBlocker quiet(cboSensorRecorder);
    cboSensorRecorder->clear();
    cboSensorRecorder->addItems(names);
    cboSensorRecorder->setCurrentText(current);
    if (chosen != current)  // the table keeps what is being typed into it for the same recorder
        showRecorder();
}

void SensorTablePanel::showRecorder()
{
    if (!m_ctx.archive)
        return;
    const QString recorder = cboSensorRecorder->currentText().trimmed();
    for (int n = 1; n <= sensors::MaxSensor; ++n) {
        const sensors::Sensor s = m_ctx.archive->sensors().sensor(recorder, n);
        const QString cells[Columns] = {s.name, s.unit, sensors::limitText(s.low), sensors::limitText(s.high)};
        for (int c = 0; c < Columns; ++c)
            tblSensors->setItem(n - 1, c, new QTableWidgetItem(cells[c]));
    }
}

void SensorTablePanel::saveSensors()
{
    if (!m_ctx.archive)
        return;
    Desktop &d = m_ctx.desktop;
    const QString recorder = cboSensorRecorder->currentText().trimmed();
    const auto refuse = [&](const QString &why) {
        d.message(QStringLiteral("System Information"), tr("传感器设置未保存：%1。").arg(why), Desktop::Icon::Warning);
    };
    if (recorder.isEmpty())
        return refuse(tr("没有选择记录仪"));
    sensors::SensorTable table = m_ctx.archive->sensors();
    for (int n = 1; n <= sensors::MaxSensor; ++n) {
        const auto text = [&](int c) { return tblSensors->item(n - 1, c) ? tblSensors->item(n - 1, c)->text().trimmed() : QString(); };
        std::optional<int> limits[2];
        for (int c : {Low, High}) {
            if (text(c).isEmpty())
                continue;
            limits[c - Low] = sensors::parseLimit(text(c));
            if (!limits[c - Low])
                return refuse(tr("%1#传感器的%2“%3”不是最多一位小数的数").arg(n).arg(c == Low ? tr("下限") : tr("上限"), text(c)));
        }
        QString why;
        if (!table.set(recorder, n, {text(Name), text(Unit), limits[0], limits[1]}, &why))
            return refuse(tr("%1#传感器：%2").arg(n).arg(why));
    }
    QString error;
    if (!table.save(d.appDir(), &error))
        return refuse(error);
    // Each sensor changed is an entry of the audit trail: its name, unit and limits before and after.
    const auto line = [](const sensors::Sensor &s) {
        return QStringList{s.name, s.unit, sensors::limitText(s.low), sensors::limitText(s.high)}.join(QLatin1Char('|'));
    };
    QString note;
    archive::RecordStore *store = m_ctx.archive->open(&error);
    for (int n = 1; n <= sensors::MaxSensor; ++n) {
        const QString before = line(m_ctx.archive->sensors().sensor(recorder, n)), after = line(table.sensor(recorder, n));
        if (before != after && note.isEmpty()
            && !(store && store->audit().append({recorder, QLatin1String(archive::kinds::SensorSettings),
                                        QStringLiteral("%1#%2").arg(n).arg(before), QStringLiteral("%1#%2").arg(n).arg(after)}, &error)))
            note = tr("（审计记录没有写进存档：%1）").arg(error);
    }
    // The file as saved is the trail's from now on: the next start does not take it for an edit.
    if (store && note.isEmpty()
        && !settings::auditSettingsFile(store->audit(), d.appDir(), table.fileName(), settings::Writer::Program, &error))
        note = tr("（%1）").arg(error);
    m_ctx.archive->sensors() = table;
    m_ctx.view.showStatus(tr("传感器设置：%1 的传感器名称与限值已存入 sensors.set").arg(recorder) + note);
    emit sensorsChanged();
}
