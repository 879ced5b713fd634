#include "panels/records/modulepasspanel.h"
#include "ui/commandstart.h"
#include "ui/boxinput.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "panels/live/livevaluespanel.h"
#include "panels/records/recordcountpanel.h"
#include "panels/records/recordreadpanel.h"
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ModulePassPanel::ModulePassPanel(PanelContext &context, QGroupBox *frame, LiveValuesPanel &live,
                                 RecordCountPanel &count, RecordReadPanel &read)
    : QWidget(frame), m_ctx(context), m_live(live), m_count(count), m_read(read)
{
    setObjectName(QStringLiteral("ModulePassPanel"));
    cmdSinglePass = commandButton(QStringLiteral("Command4"), tr("单次循环"), this);
    cmdAutoLoop = commandButton(QStringLiteral("cmd1Sys"), tr("自动循环"), this);
    cmdStopPass = namedButton(QStringLiteral("Command3"), tr("停止"), this);
    cmdSinglePass->setToolTip(tr("依次访问模块 1 到模块总数：读实时数据、读条数、读取所有记录"));
    cmdAutoLoop->setToolTip(tr("反复执行单次循环，直到按“停止”"));
    cmdStopPass->setToolTip(tr("立即停止模块循环，包括其中的等待和记录读取"));
    txtModulePause = new QLineEdit(QStringLiteral("1000"), this);
    txtModulePause->setObjectName(QStringLiteral("txtMtime"));
    txtModulePause->setMaximumWidth(80);
    auto *caption = new QLabel(tr("模块轮询(ms)"), this);
    caption->setBuddy(txtModulePause);

    auto *boxRow = new QHBoxLayout;
    boxRow->addWidget(caption);
    boxRow->addWidget(txtModulePause);
    boxRow->addStretch();
    auto *buttonRow = new QHBoxLayout;
    for (QPushButton *b : {cmdSinglePass, cmdAutoLoop, cmdStopPass})
        buttonRow->addWidget(b);
    buttonRow->addStretch();
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(boxRow);
    column->addLayout(buttonRow);
    // The box is made after the buttons: Tab goes through the frame as it reads.
    setTabOrder(txtModulePause, cmdSinglePass);
    setTabOrder(cmdSinglePass, cmdAutoLoop);
    setTabOrder(cmdAutoLoop, cmdStopPass);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(this);

    connect(cmdSinglePass, &QPushButton::clicked, this, [this] { runSinglePass(); });
    connect(cmdAutoLoop, &QPushButton::clicked, this, [this] { runAutoLoop(); });
    connect(cmdStopPass, &QPushButton::clicked, this, [this] { stopPasses(); });
}

std::optional<jobs::ModulePassSettings> ModulePassPanel::fields()
{
    Desktop &d = m_ctx.desktop;
    const int stations = m_ctx.moduleCount;
    if (stations < 0 || stations > 255) {
        d.warnAndSay(tr("ModSet.set 中的模块总数 %1 不在 0 到 255 之间，命令未发送。").arg(stations));
        return std::nullopt;
    }
    jobs::ModulePassSettings f;
    f.modules = stations;
    const auto function = m_ctx.modbus.function();
    if (!function)
        return std::nullopt;
    // The pass asks from the register txtStartRegister names, not one below it as the polling modes do:
    // module set-ups of this recorder rely on that, so it stays.
    const auto start = m_ctx.modbus.startRegisterAsIs();
    if (!start)
        return std::nullopt;
    const auto count = m_ctx.modbus.registerCount();
    if (!count)
        return std::nullopt;
    const auto pause = boxNumber(d, txtModulePause, tr("模块轮询(ms)"), 0, 3600000, convert::Rounding::Floor);
    if (!pause)
        return std::nullopt;
    const auto sensors = m_read.sensorsFromBox();
    if (!sensors)
        return std::nullopt;
    f.live.function = *function;
    f.live.start = uint16_t(*start);
    f.live.count = *count;
    f.pauseMs = int(*pause);
    f.sensors = *sensors;
    return f;
}

std::unique_ptr<jobs::ModulePass> ModulePassPanel::newPass()
{
    auto pass = std::make_unique<jobs::ModulePass>(m_ctx.link, m_read.recordsTabDownload());
    connect(pass.get(), &jobs::ModulePass::moduleStarted, this, [this](int m) { m_ctx.modbus.showDeviceAddress(m); });
    connect(pass.get(), &jobs::ModulePass::liveRead, this,
            [this](const jobs::LiveTarget &target, const jobs::LiveReading &reading) { m_live.show(target, reading); });
    connect(pass.get(), &jobs::ModulePass::countRead, this,
            [this](uint8_t address, const records::CountRead &read) { m_count.showCount(address, read); });
    return pass;
}

void ModulePassPanel::reportNotes(const QString &command, const QStringList &notes)
{
    if (!notes.isEmpty())
        m_ctx.desktop.message(QStringLiteral("System Information"),
                              command + tr("：\n") + notes.join(QLatin1Char('\n')), Desktop::Icon::Warning);
}

void ModulePassPanel::runSinglePass()
{
    auto hold = holdBus(m_ctx, tr("单次循环"));
    if (!hold)
        return;
    const auto f = fields();
    // Said before the first module: the pass would otherwise walk every module finding no port.
    if (!f || !portOpenOrSay(m_ctx, tr("串口未打开，无法开始单次循环。请先打开串口。")))
        return;
    if (f->modules == 0) {
        m_ctx.view.showStatus(tr("单次循环：模块总数为 0，没有要访问的模块"));
        return;
    }
    m_running = hold->cancel();
    QStringList notes;
    using End = jobs::ModulePass::End;
    const End end = newPass()->run(*hold, *f, notes);
    m_running.reset();
    if (hold->cancel().reason() == CancelReason::Closing)
        return;  // nobody reads a message any more
    m_ctx.view.showStatus(end == End::Complete ? tr("单次循环：已完成，共 %1 个模块").arg(f->modules)
                          : end == End::Stopped ? tr("单次循环：已停止")
                                                    : tr("单次循环：端口未打开或已断开，循环已中止"));
    reportNotes(tr("单次循环"), notes);
}

void ModulePassPanel::runAutoLoop()
{
    auto hold = holdBus(m_ctx, tr("自动循环"));
    if (!hold)
        return;
    const auto f = fields();
    if (!f || !portOpenOrSay(m_ctx, tr("串口未打开，无法开始自动循环。请先打开串口。")))
        return;
    m_ctx.counters.setPasses(0);
    if (f->modules == 0) {
        m_ctx.view.showStatus(tr("自动循环：模块总数为 0，没有要访问的模块"));
        return;
    }
    m_running = hold->cancel();
    QStringList notes;  // of the last pass
    int passes = 0;
    using End = jobs::ModulePass::End;
    End end = End::Complete;
    const auto pass = newPass();
    while (passes < LoopPasses) {
        notes.clear();
        end = pass->run(*hold, *f, notes);
        if (end != End::Complete)
            break;
        ++passes;
        m_ctx.counters.setPasses(passes);
    }
    m_running.reset();
    if (hold->cancel().reason() == CancelReason::Closing)
        return;
    m_ctx.view.showStatus(end == End::Complete ? tr("自动循环：已完成 %1 遍").arg(passes)
                          : end == End::Stopped ? tr("自动循环：已停止，完成 %1 遍").arg(passes)
                                                    : tr("自动循环：端口未打开或已断开，完成 %1 遍").arg(passes));
    reportNotes(tr("自动循环（最后一遍）"), notes);
}

void ModulePassPanel::stopPasses()
{
    if (m_running)
        m_running->cancel(CancelReason::Stop);
}
