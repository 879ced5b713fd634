#include "panels/tools/settingsfilepanel.h"
#include "ui/recordarchive.h"
#include "ui/valuelabel.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "ui/filechoice.h"
#include "ui/panelcontext.h"
#include "core/config/pollingtable.h"
#include "core/config/recordersettings.h"
#include "core/link/writes.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char *const SaveCommand = QT_TRANSLATE_NOOP("SettingsFilePanel", "保存记录仪设置");
const char *const LoadCommand = QT_TRANSLATE_NOOP("SettingsFilePanel", "载入记录仪设置");
constexpr qint64 FileCap = 64 * 1024;  // a settings file is about 4 KB

// The reads a settings file needs, as the window reads them: each group of twenty, then the single
// registers. A recorder that takes these reads from the window takes them here.
struct Block {
    uint16_t first;
    int count;
};
QList<Block> blocks()
{
    QList<Block> b;
    for (const polling::Group &g : polling::groups())
        b.append({g.firstRegister(), g.count});
    b.append({recorder::IntervalRegister, 1});
    return b;
}

QString registerName(uint16_t reg)
{
    return QCoreApplication::translate("SettingsFilePanel", "寄存器 %1（%2）").arg(reg).arg(settingsfile::describe(reg));
}

// A word as the recorder means it: a sensor type by its kind, the interval by its spacing.
QString valueText(uint16_t reg, uint16_t value)
{
    static const char *const kinds[] = {QT_TRANSLATE_NOOP("SettingsFilePanel", "温度"), QT_TRANSLATE_NOOP("SettingsFilePanel", "湿度"),
                                        QT_TRANSLATE_NOOP("SettingsFilePanel", "气体"), QT_TRANSLATE_NOOP("SettingsFilePanel", "电压"),
                                        QT_TRANSLATE_NOOP("SettingsFilePanel", "电流")};
    const int box = polling::boxOf(reg);
    if (box >= 0 && box < polling::SlotCount && value >= 1 && value <= 5)
        return QCoreApplication::translate("SettingsFilePanel", "%1（%2）").arg(value).arg(QCoreApplication::translate("SettingsFilePanel", kinds[value - 1]));
    if (reg == recorder::IntervalRegister)
        return value == 0 ? QCoreApplication::translate("SettingsFilePanel", "0（停止记录）")
                          : QCoreApplication::translate("SettingsFilePanel", "%1（每 %2 秒一条）").arg(value).arg(value + 1);
    return QString::number(value);
}

// "传感器类型：测点1 3→5，测点4 0→1" — one line per group, so that a whole table fits a question.
QString differenceLines(const QList<settingsfile::Difference> &diffs)
{
    QStringList lines;
    QString group;
    QStringList items;
    const auto flush = [&] {
        if (!items.isEmpty())
            lines << QCoreApplication::translate("SettingsFilePanel", "%1：%2")
                         .arg(group, items.join(QCoreApplication::translate("SettingsFilePanel", "，")));
        items.clear();
    };
    for (const auto &d : diffs) {
        const QString name = settingsfile::describe(d.reg);
        const qsizetype blank = name.lastIndexOf(QLatin1Char(' '));
        const QString g = blank < 0 ? name : name.left(blank);
        const QString slot = blank < 0 ? QString() : name.mid(blank + 1) + QLatin1Char(' ');
        if (g != group) {
            flush();
            group = g;
        }
        items << QStringLiteral("%1%2→%3").arg(slot, valueText(d.reg, d.device), valueText(d.reg, d.file));
    }
    flush();
    return lines.join(QLatin1Char('\n'));
}
} // namespace

SettingsFilePanel::SettingsFilePanel(PanelContext &context, QWidget *parent) : QWidget(parent), m_ctx(context)
{
    setObjectName(QStringLiteral("SettingsFilePanel"));
    cmdSaveSettings = commandButton(QStringLiteral("cmdSaveSettings"), tr(SaveCommand), this);
    cmdSaveSettings->setToolTip(tr("读出当前设备地址的记录仪的轮循参数表和记录时间间隔，保存到文件"));
    cmdLoadSettings = commandButton(QStringLiteral("cmdLoadSettings"), tr(LoadCommand), this);
    cmdLoadSettings->setToolTip(tr("把文件中的设置写入当前设备地址的记录仪：先列出不同之处，确认后写入、更新到设备并读回核对"));
    cmdSettingsStop = namedButton(QStringLiteral("cmdSettingsStop"), tr("停止"), this);
    cmdSettingsStop->setToolTip(tr("立即停止保存或载入"));
    lblSettingsFile = new ValueLabel(QString(), tr("设置文件操作状态"), this);
    lblSettingsFile->setObjectName(QStringLiteral("lblSettingsFile"));
    lblSettingsFile->setWordWrap(true);
    auto *row = new QHBoxLayout;
    for (QPushButton *b : {cmdSaveSettings, cmdLoadSettings, cmdSettingsStop})
        row->addWidget(b);
    row->addStretch();
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row);
    column->addWidget(lblSettingsFile);

    connect(cmdSaveSettings, &QPushButton::clicked, this, [this] { saveRecorderSettings(); });
    connect(cmdLoadSettings, &QPushButton::clicked, this, [this] { loadRecorderSettings(); });
    connect(cmdSettingsStop, &QPushButton::clicked, this, [this] { stopTransfer(); });
}

void SettingsFilePanel::say(const QString &text)
{
    lblSettingsFile->setText(text);
    m_ctx.view.showStatus(text);
}

std::optional<settingsfile::Words> SettingsFilePanel::readDevice(const Link::Hold &hold, uint8_t address,
                                                                 QString *failure)
{
    ExchangeKind kind = kinds::SingleParameterRead;
    kind.name = tr("读设置");
    kind.firstWaitMs = kinds::ParameterReadAll.firstWaitMs + kinds::ParameterReadAll.secondWaitMs;
    settingsfile::Words words;
    for (const Block &b : blocks()) {
        const Exchange ex = m_ctx.link.exchange(hold, kind, modbus::readHolding(address, b.first, uint8_t(b.count)));
        if (!ex.sent || ex.aborted) {
            *failure = hold.stopped() ? tr("已停止") : tr("端口未打开");
            return std::nullopt;
        }
        const QVector<uint16_t> got = ex.valid() ? polling::replyWords(ex.reply, b.count) : QVector<uint16_t>{};
        if (got.size() != b.count) {
            *failure = tr("读寄存器 %1–%2 时%3").arg(b.first).arg(b.first + b.count - 1)
                           .arg(ex.valid() ? tr("应答不完整") : modbus::describeReply(ex.info));
            return std::nullopt;
        }
        for (int j = 0; j < b.count; ++j)
            words.insert(uint16_t(b.first + j), got[j]);
    }
    return words;
}

void SettingsFilePanel::saveRecorderSettings()
{
    settingsfile::Words words;
    uint8_t address;
    {
        const auto cmd = beginCommand(m_ctx, tr(SaveCommand));
        if (!cmd)
            return;
        address = cmd->address;
        say(tr("%1：正在读取设备 %2 的设置……").arg(tr(SaveCommand)).arg(address));
        m_running = cmd->hold.cancel();
        QString failure;
        const auto read = readDevice(cmd->hold, address, &failure);
        m_running.reset();
        if (!read) {
            if (cmd->hold.cancel().reason() != CancelReason::Closing)
                say(tr("%1：%2，未保存").arg(tr(SaveCommand), failure));
            return;
        }
        words = *read;
    }  // the bus is free while the user names the file
    // Named after the recorder and the day: "设置_COM4-21_2026-12-08".
    const QString recorder = m_ctx.archive ? m_ctx.archive->recorderName(address) : QString::number(address);
    const QString name = tr("设置_%1_%2").arg(recorder, m_ctx.desktop.now().date().toString(Qt::ISODate));
    const QString path = askSaveName(m_ctx.desktop, tr(SaveCommand), m_ctx.desktop.appDir() + QStringLiteral("/settings"),
                                     QStringLiteral("txt"), QString(name).replace(QLatin1Char('/'), QLatin1Char('-')));
    if (path.isEmpty()) {
        say(tr("%1：已取消，未保存").arg(tr(SaveCommand)));
        return;
    }
    QString error;
    if (!safefile::writeWhole(path, settingsfile::write(words, address, m_ctx.desktop.now()), &error)) {
        m_ctx.desktop.message(QStringLiteral("System Information"),
                              tr("无法写入 %1：%2\n设置未保存，原有文件保持不变。")
                                  .arg(QDir::toNativeSeparators(path), error),
                              Desktop::Icon::Warning);
        say(tr("%1：未能写入文件，未保存").arg(tr(SaveCommand)));
        return;
    }
    say(tr("%1：设备 %2 的 %3 个参数已保存到 %4")
            .arg(tr(SaveCommand)).arg(address).arg(words.size()).arg(QDir::toNativeSeparators(path)));
}

void SettingsFilePanel::loadRecorderSettings()
{
    if (m_ctx.link.busy()) {
        m_ctx.view.showStatus(busyMessage(tr(LoadCommand)));
        return;
    }
    const QString path = m_ctx.desktop.openFileName(tr(LoadCommand), m_ctx.desktop.appDir() + QStringLiteral("/settings"),
                                                    QStringLiteral("txt (*.txt);;* (*)"));
    if (path.isEmpty())
        return;
    const QString shownPath = QDir::toNativeSeparators(path);
    const auto parsed = readFile(path);
    if (!parsed)
        return;
    const settingsfile::Words &file = *parsed;

    const auto cmd = beginCommand(m_ctx, tr(LoadCommand));
    if (!cmd)
        return;
    m_running = cmd->hold.cancel();
    const auto done = qScopeGuard([this] { m_running.reset(); });
    const Link::Hold &hold = cmd->hold;
    const auto ended = [&](const QString &what) {
        if (hold.cancel().reason() != CancelReason::Closing)
            say(tr("%1：%2").arg(tr(LoadCommand), what));
    };
    say(tr("%1：正在读取设备 %2 现在的设置……").arg(tr(LoadCommand)).arg(cmd->address));
    QString failure;
    const auto before = readDevice(hold, cmd->address, &failure);
    if (!before)
        return ended(failure + tr("，没有写入任何参数"));
    const QList<settingsfile::Difference> diffs = settingsfile::differences(*before, file);
    if (diffs.isEmpty())
        return ended(tr("设备 %1 的设置与文件相同，无需写入").arg(cmd->address));
    if (!m_ctx.desktop.confirm(tr(LoadCommand), tr("设备 %1 有 %2 个参数与文件 %3 不同（现值→文件值）：\n%4\n\n写入这些参数并更新到设备？")
                                                .arg(cmd->address).arg(diffs.size()).arg(shownPath, differenceLines(diffs))))
        return ended(tr("已取消，没有写入任何参数"));

    QStringList problems;
    QList<uint16_t> written;
    QString stopped;
    if (!writeDifferences(hold, cmd->address, diffs, written, problems, &stopped))
        return ended(stopped);
    if (m_ctx.archive)
        m_ctx.archive->auditFile(archive::kinds::SettingsLoad, path, m_ctx.archive->recorderName(cmd->address));
    const auto after = readDevice(hold, cmd->address, &failure);
    if (!after)
        return ended(tr("%1 个参数已写入并更新到设备，但读回时%2，无法核对").arg(written.size()).arg(failure));
    QStringList untaken;
    for (const auto &d : settingsfile::differences(*after, file))
        untaken << tr("%1：应为 %2，读回 %3").arg(registerName(d.reg)).arg(d.file).arg(d.device);
    if (untaken.isEmpty() && problems.isEmpty())
        return ended(tr("%1 个参数已写入设备 %2 并更新，读回与文件一致").arg(written.size()).arg(cmd->address));
    ended(tr("已向设备 %1 发送 %2 个参数，%3 个读回与文件不同，%4 个写入未被确认")
              .arg(cmd->address).arg(written.size()).arg(untaken.size()).arg(problems.size()));
    m_ctx.desktop.message(QStringLiteral("System Information"),
                          tr("%1：\n%2").arg(tr(LoadCommand), (untaken + problems).join(QLatin1Char('\n'))),
                          Desktop::Icon::Warning);
}

std::optional<settingsfile::Words> SettingsFilePanel::readFile(const QString &path)
{
    QByteArray bytes;
    QString reason;
    settingsfile::Parsed parsed;
    if (safefile::readBounded(path, FileCap, &bytes, &reason) != safefile::Read::Ok)
        parsed.error = reason.isEmpty() ? tr("文件不存在") : reason;
    else
        parsed = settingsfile::parse(bytes);
    if (!parsed.words) {
        m_ctx.desktop.message(QStringLiteral("System Information"),
                              tr("%1 不能载入：%2\n没有写入任何参数。").arg(QDir::toNativeSeparators(path), parsed.error),
                              Desktop::Icon::Warning);
        say(tr("%1：文件不能载入，没有写入任何参数").arg(tr(LoadCommand)));
        return std::nullopt;
    }
    return *parsed.words;
}

bool SettingsFilePanel::writeDifferences(const Link::Hold &hold, uint8_t address,
                                         const QList<settingsfile::Difference> &diffs, QList<uint16_t> &written,
                                         QStringList &problems, QString *stopped)
{
    for (const auto &d : diffs) {
        lblSettingsFile->setText(tr("%1：正在写入 %2/%3").arg(tr(LoadCommand)).arg(written.size() + 1).arg(diffs.size()));
        const Exchange ex = setRegister(m_ctx.link, hold, address, d.reg, d.file);
        if (!ex.sent || ex.aborted) {
            *stopped = tr("%1，已写入 %2 个参数，未更新到设备")
                           .arg(hold.stopped() ? tr("已停止") : tr("端口未打开或已断开"))
                           .arg(written.size());
            return false;
        }
        written << d.reg;
        if (const QString p = recorder::writeProblem(ex); !p.isEmpty())
            problems << tr("%1写入未被确认（%2）").arg(registerName(d.reg), p);
    }
    // The recorder takes a group's registers over only when its coil is switched on.
    for (int k : settingsfile::groupsOf(written)) {
        const polling::Group &g = polling::groups()[size_t(k)];
        const Exchange ex = setCoil(m_ctx.link, hold, address, g.coil, true);
        if (!ex.sent || ex.aborted) {
            *stopped = tr("%1，参数已写入，但未全部更新到设备")
                           .arg(hold.stopped() ? tr("已停止") : tr("端口未打开或已断开"));
            return false;
        }
        if (const QString p = recorder::writeProblem(ex); !p.isEmpty())
            problems << tr("“%1”更新到设备（线圈 %2）未被确认（%3）").arg(g.caption).arg(g.coil).arg(p);
    }
    return true;
}

void SettingsFilePanel::stopTransfer()
{
    if (m_running)
        m_running->cancel(CancelReason::Stop);
}
