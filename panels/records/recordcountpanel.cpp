#include "panels/records/recordcountpanel.h"
#include "ui/commandstart.h"
#include "ui/boxinput.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "core/link/frames.h"
#include "core/link/writes.h"
#include "core/records/memoryfill.h"
#include "core/records/recordcount.h"
#include <QGroupBox>
#include "panels/records/recordspanel.h"
#include <QHBoxLayout>
#include <QPushButton>

RecordCountPanel::RecordCountPanel(PanelContext &context, RecordsPanel &records)
    : QWidget(records.recordCountFrame), m_ctx(context), m_records(records)
{
    setObjectName(QStringLiteral("RecordCountPanel"));
    cmdReadCount = commandButton(QStringLiteral("cmdPoint"), tr("读条数"), this);
    cmdClearPointer = commandButton(QStringLiteral("cmdWriteREC"), tr("清指针"), this);
    cmdClearRecCount = commandButton(QStringLiteral("cmdClearRecCount"), tr("清条数"), this);
    cmdWritePoint = namedButton(QStringLiteral("cmdWritePoint"), tr("写指针"), this);
    cmdWritePoint->setEnabled(false);
    cmdWritePoint->setToolTip(tr("记录指针只能清零（“清指针”），不能写入其他值"));
    cmdClearPointer->setToolTip(tr("将记录仪的记录指针清零"));
    cmdClearRecCount->setToolTip(tr("将记录仪的有效记录总数清零（记录将无法再读出）"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *b : {cmdReadCount, cmdClearPointer, cmdClearRecCount, cmdWritePoint})
        row->addWidget(b);
    records.addToRecordCountFrame(this);

    connect(cmdReadCount, &QPushButton::clicked, this, [this] { readCount(); });
    connect(cmdClearPointer, &QPushButton::clicked, this, [this] { clearPointer(); });
    connect(cmdClearRecCount, &QPushButton::clicked, this, [this] { clearCount(); });
}

std::optional<int> RecordCountPanel::readAndShowCount(const Link::Hold &hold, uint8_t address)
{
    const records::CountRead read = records::readRecordCount(m_ctx.link, hold, address);
    showCount(address, read);
    return read.count;
}

void RecordCountPanel::showCount(uint8_t address, const records::CountRead &read)
{
    const std::optional<int> count = read.count;
    const Exchange &ex = read.exchange;
    if (count) {
        m_records.showRecordCount(*count);
        QString text = tr("读条数：设备 %1 有 %2 条记录").arg(address).arg(*count);
        if (const auto fill = m_records.memoryFill(); fill && !records::fillWarning(*fill).isEmpty())
            text += tr("；") + records::fillWarning(*fill);
        m_ctx.view.showStatus(text);
    } else if (ex.sent && !ex.aborted) {
        m_ctx.view.showStatus(tr("读条数：设备 %1 %2，条数未更新")
                                  .arg(address).arg(modbus::describeReply(ex.info)));
    }
}

void RecordCountPanel::readCount()
{
    auto cmd = beginCommand(m_ctx, tr("读条数"));
    if (!cmd)
        return;
    readAndShowCount(cmd->hold, cmd->address);
}

void RecordCountPanel::clearPointer()
{
    auto cmd = beginCommand(m_ctx, tr("清指针"));
    if (!cmd)
        return;
    if (!m_ctx.desktop.confirm(tr("清指针"),
                               tr("将设备 %1 的记录指针清零？").arg(cmd->address)))
        return;
    const Exchange ex = setRegisters(m_ctx.link, cmd->hold, cmd->address, records::RecordPointerRegister, QByteArray(4, '\0'));
    m_ctx.view.showState(ex.stateText);
    if (ex.valid())
        m_ctx.view.showStatus(tr("清指针：设备 %1 的记录指针已清零").arg(cmd->address));
    else if (ex.sent && !ex.aborted)
        m_ctx.view.showStatus(tr("清指针：%1，未确认清零").arg(modbus::describeReply(ex.info)));
}

void RecordCountPanel::clearCount()
{
    auto cmd = beginCommand(m_ctx, tr("清条数"));
    if (!cmd)
        return;
    if (!m_ctx.desktop.confirm(tr("清条数"),
                               tr("将设备 %1 的有效记录总数清零？清零后其中的记录不能再读出。")
                                   .arg(cmd->address)))
        return;
    const records::CountClear clear = records::clearRecordCount(m_ctx.link, cmd->hold, cmd->address);
    const Exchange &cleared = clear.countWrite;
    // The coil's exchange shows its own reply once it went out.
    if (!clear.coil || !clear.coil->sent)
        m_ctx.view.showState(cleared.stateText);
    if (!cleared.valid()) {
        if (cleared.sent && !cleared.aborted)
            m_ctx.view.showStatus(tr("清条数：%1，条数未清零")
                                      .arg(modbus::describeReply(cleared.info)));
        return;
    }
    const Exchange &coil = *clear.coil;
    if (coil.valid())
        m_ctx.view.showStatus(tr("清条数：设备 %1 的有效记录总数已清零").arg(cmd->address));
    else if (coil.sent && !coil.aborted)
        m_ctx.view.showStatus(tr("清条数：条数已写 0，但写线圈 3 %1")
                                  .arg(modbus::describeReply(coil.info)));
}
