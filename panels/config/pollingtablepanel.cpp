#include "panels/config/pollingtablepanel.h"
#include "ui/desktop.h"
#include "ui/registercommands.h"
#include "core/config/recordersettings.h"
#include "core/link/convert.h"
#include "core/link/writes.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using polling::Layout;

namespace {
constexpr int BoxWidth = 52;

QString indexed(const char *name, int i)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}
} // namespace

PollingTablePanel::PollingTablePanel(PanelContext &ctx, PollingTableControls &controls,
                                     const polling::Group &group, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), m_c(controls), m_group(group), m_read(size_t(group.count))
{
    setObjectName(QStringLiteral("pollingTable(%1)").arg(group.k));
    switch (group.layout) {
    case Layout::Numbered: buildRows(true); break;
    case Layout::Sensors: buildRows(false); break;
    case Layout::Single: buildSingle(); break;
    }
}

void PollingTablePanel::addBoxRow(int box, QGridLayout *grid, int row, int col, QLabel *label)
{
    const QString who = m_group.boxCaption(box);
    auto *e = new QLineEdit(QStringLiteral("0"), this);
    e->setObjectName(indexed("txtChannel", box));
    e->setFixedWidth(BoxWidth);
    e->setAccessibleName(who);
    auto *read = commandButton(indexed("cmdReadP", box), tr("读参数"), this, ButtonWidth::Caption);
    read->setAccessibleName(tr("读参数：%1").arg(who));
    auto *write = commandButton(indexed("cmdWriteP", box), tr("写参数"), this, ButtonWidth::Caption);
    write->setAccessibleName(tr("写参数：%1").arg(who));
    m_c.txtChannel[box] = e;
    m_c.cmdReadP[box] = read;
    m_c.cmdWriteP[box] = write;
    if (label) {
        label->setBuddy(e);
        grid->addWidget(label, row, col++);
    }
    grid->addWidget(e, row, col);
    grid->addWidget(read, row, col + 1);
    grid->addWidget(write, row, col + 2);
    connect(e, &QLineEdit::textEdited, this, [this, box] { m_read[box - m_group.first].reset(); });
    connect(read, &QPushButton::clicked, this, [this, box] { readOne(box); });
    connect(write, &QPushButton::clicked, this, [this, box] { writeOne(box); });
}

void PollingTablePanel::addPresetControls(QBoxLayout *into)
{
    Q_ASSERT(m_group.presets);
    const polling::Presets &presets = *m_group.presets;
    auto *current = new QLineEdit(QStringLiteral("1"), this);
    current->setObjectName(indexed("txtCurrent", presets.current));
    current->setFixedWidth(BoxWidth);
    current->setAccessibleName(tr("%1 预设值").arg(m_group.caption));
    m_c.txtPreset[presets.current] = current;
    into->addWidget(current);
    const auto preset = [&](int index, const QString &caption) {
        QPushButton *b = namedButton(indexed("cmdCurrentSet", index), caption, this, ButtonWidth::Caption);
        m_c.cmdPreset[index] = b;
        into->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, index] { applyPreset(index); });
    };
    preset(presets.uniform, tr("统一预设"));
    if (presets.sequential)
        preset(*presets.sequential, tr("顺序预设"));
}

void PollingTablePanel::addGroupCommands(QBoxLayout *into)
{
    const int k = m_group.k;
    m_c.cmdReadGroup[k] = commandButton(indexed("cmdReadAlarm", k), m_group.readAllCaption, this, ButtonWidth::Caption);
    m_c.cmdSetAll[k] = commandButton(indexed("cmdSetAll", k), m_group.writeAllCaption, this, ButtonWidth::Caption);
    m_c.cmdCommitGroup[k] = commandButton(indexed("cmdWriteEEp", k), m_group.commitCaption, this, ButtonWidth::Caption);
    for (QPushButton *b : {m_c.cmdReadGroup[k], m_c.cmdSetAll[k], m_c.cmdCommitGroup[k]})
        into->addWidget(b);
    connect(m_c.cmdReadGroup[k], &QPushButton::clicked, this, [this] { readGroup(); });
    connect(m_c.cmdSetAll[k], &QPushButton::clicked, this, [this] { writeGroup(); });
    connect(m_c.cmdCommitGroup[k], &QPushButton::clicked, this, [this] { commitGroup(); });
}

// Twenty rows in two halves, slots 1–10 left and 11–20 right (numbered for the polling table, each
// "测点" for the sensor settings); under them the presets with the hint, then the frame's commands.
void PollingTablePanel::buildRows(bool numbered)
{
    auto *column = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    const int half = m_group.count / 2;
    for (int n = 0; n < m_group.count; ++n)
        addBoxRow(m_group.first + n, grid, n % half, n < half ? 0 : 4,
                  new QLabel(numbered ? QString::number(n + 1) : tr("测点"), this));
    grid->setColumnMinimumWidth(4, 12);
    grid->setColumnStretch(8, 1);
    column->addLayout(grid);
    auto *presets = new QHBoxLayout;
    addPresetControls(presets);
    if (!m_group.hint.isEmpty())
        presets->addWidget(hintLabel(m_group.hint, this), 1);
    else
        presets->addStretch();
    column->addLayout(presets);
    auto *commands = new QHBoxLayout;
    addGroupCommands(commands);
    commands->addStretch();
    column->addLayout(commands);
    column->addStretch();
}

// The device count: one box with its read, write and commit, and the hint.
void PollingTablePanel::buildSingle()
{
    auto *grid = new QGridLayout(this);
    auto *hint = hintLabel(m_group.hint, this);
    addBoxRow(m_group.first, grid, 0, 0, nullptr);
    hint->setBuddy(m_c.txtChannel[m_group.first]);
    m_c.cmdCommitGroup[m_group.k] = commandButton(indexed("cmdWriteEEp", m_group.k), m_group.commitCaption, this);
    grid->addWidget(m_c.cmdCommitGroup[m_group.k], 0, 3);
    grid->addWidget(hint, 1, 0, 1, 4);
    grid->setColumnStretch(4, 1);
    connect(m_c.cmdCommitGroup[m_group.k], &QPushButton::clicked, this, [this] { commitGroup(); });
}

void PollingTablePanel::readOne(int i)
{
    Q_ASSERT(m_group.holds(i));
    if (const auto w = readRegisterInto(m_ctx, kinds::SingleParameterRead, polling::registerOf(i), m_c.txtChannel[i]))
        showRead(i, polling::readOneBox(*w));
}

void PollingTablePanel::showRead(int i, const polling::ReadBack &read)
{
    m_c.txtChannel[i]->setText(read.text);
    m_read[i - m_group.first] = read;
}

std::optional<polling::BoxWrite> PollingTablePanel::boxWrite(int i) const
{
    return polling::boxWrite(m_c.txtChannel[i]->text(), m_read[i - m_group.first]);
}

Exchange PollingTablePanel::writeBox(const DeviceCommand &cmd, int i, uint16_t value)
{
    return setRegister(m_ctx.link, cmd.hold, cmd.address, polling::registerOf(i), value);
}

void PollingTablePanel::writeOne(int i)
{
    Q_ASSERT(m_group.holds(i));
    const auto cmd = beginCommand(m_ctx);
    if (!cmd)
        return;
    const auto value = boxWrite(i);
    if (!value) {
        m_ctx.desktop.warnAndSay(convert::refusedBoxMessage(m_group.boxCaption(i), m_c.txtChannel[i]->text(),
                                                            polling::LowestValue, polling::HighestValue,
                                                            convert::Rounding::NearestEven));
        return;
    }
    const Exchange ex = writeBox(*cmd, i, value->word);
    QString done = tr("寄存器 %1 已写入 %2").arg(polling::registerOf(i)).arg(value->word);
    if (!value->rounding.isEmpty())
        done += tr("（%1）").arg(value->rounding);
    reportWrite(m_ctx, tr("写参数"), ex, done);
}

void PollingTablePanel::readGroup()
{
    if (!m_group.readAll)
        return;
    const auto cmd = beginCommand(m_ctx);
    if (!cmd)
        return;
    m_ctx.modbus.showRegisterCount(polling::SlotCount);
    m_ctx.link.exchange(cmd->hold, kinds::ParameterReadAll,
                        modbus::readHolding(cmd->address, m_group.firstRegister(), polling::SlotCount),
                        [&](const Exchange &ex) {
                            if (ex.valid())
                                showGroupWords(ex.reply, polling::SlotCount, m_group.first);
                        });
}

void PollingTablePanel::showGroupWords(const QByteArray &reply, int maxLength, int startPosition)
{
    const QVector<uint16_t> words = polling::replyWords(reply, maxLength);
    for (int j = 0; j < words.size() && m_group.holds(startPosition + j); ++j)
        showRead(startPosition + j, polling::readAllBox(words[j]));
}

void PollingTablePanel::writeGroup()
{
    if (!m_group.readAll)
        return;
    const auto cmd = beginCommand(m_ctx);
    if (!cmd)
        return;
    // All boxes are checked before the first write: a refused box must not leave the group half written.
    QVector<uint16_t> values;
    QStringList refused;
    QStringList rounded;
    for (int i = m_group.first; i <= m_group.last(); ++i) {
        const auto v = boxWrite(i);
        if (!v) {
            refused << tr("测点%1 的“%2”").arg(m_group.slotOf(i)).arg(m_c.txtChannel[i]->text());
            continue;
        }
        values.append(v->word);
        if (!v->rounding.isEmpty())
            rounded << tr("测点%1 %2").arg(m_group.slotOf(i)).arg(v->rounding);
    }
    if (!refused.isEmpty()) {
        m_ctx.desktop.warnAndSay(tr("“%1”中以下参数不是 %2 到 %3 之间的数值，所有参数都未写入：%4。")
                                     .arg(m_group.caption)
                                     .arg(polling::LowestValue)
                                     .arg(polling::HighestValue)
                                     .arg(refused.join(tr("，"))));
        return;
    }
    QStringList unconfirmed;
    int written = 0;
    for (int n = 0; n < values.size(); ++n) {
        const int i = m_group.first + n;
        const Exchange ex = writeBox(*cmd, i, values[n]);
        if (!ex.sent || ex.aborted)
            break;  // the port went away or the window is closing: nothing more goes out
        ++written;
        const QString problem = recorder::writeProblem(ex);
        if (!problem.isEmpty())
            unconfirmed << tr("寄存器 %1（%2）").arg(polling::registerOf(i)).arg(problem);
    }
    const QString command = m_group.writeAllCaption;
    const QString roundedNote =
        rounded.isEmpty() ? QString() : tr("（%1）").arg(rounded.join(tr("，")));
    if (written < values.size())
        m_ctx.view.showStatus(tr("%1：已发送 %2 个参数后中止（%3）")
                                  .arg(command)
                                  .arg(written)
                                  .arg(cmd->hold.stopped() ? tr("命令已停止")
                                                            : tr("端口未打开")));
    else if (unconfirmed.isEmpty())
        m_ctx.view.showStatus(tr("%1：%2 个参数已写入寄存器 %3–%4")
                                  .arg(command)
                                  .arg(written)
                                  .arg(m_group.firstRegister())
                                  .arg(polling::registerOf(m_group.last()))
                              + roundedNote);
    else
        m_ctx.view.showStatus(tr("%1：%2 个参数中 %3 个未被确认：%4")
                                  .arg(command)
                                  .arg(written)
                                  .arg(unconfirmed.size())
                                  .arg(unconfirmed.join(tr("；")))
                              + roundedNote);
}

void PollingTablePanel::applyPreset(int preset)
{
    const auto &presets = m_group.presets;
    if (!presets || (preset != presets->sequential && preset != presets->uniform))
        return;
    const bool sequential = preset == presets->sequential;
    const QString current = sequential ? QString() : m_c.txtPreset[presets->current]->text();
    const QStringList texts = polling::presetTexts(sequential, current);
    for (int n = 0; n < m_group.count; ++n) {
        m_c.txtChannel[m_group.first + n]->setText(texts[n]);
        m_read[n].reset();  // a preset "0" over a read FFFF means 0
    }
}

void PollingTablePanel::commitGroup()
{
    const auto cmd = beginCommand(m_ctx);
    if (!cmd)
        return;
    const Exchange ex = setCoil(m_ctx.link, cmd->hold, cmd->address, m_group.coil, true);
    reportWrite(m_ctx, m_group.commitCaption, ex,
                tr("已通知记录仪采用“%1”（线圈 %2）").arg(m_group.caption).arg(m_group.coil));
}
