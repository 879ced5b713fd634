#include "records/recordreadpanel.h"
#include "app/devicecommand.h"
#include "app/boxinput.h"
#include "app/desktop.h"
#include "app/modbuspanel.h"
#include "app/panelcontext.h"
#include "link/frames.h"
#include "link/crc16.h"
#include "link/hex.h"
#include "records/recorddecode.h"
#include "records/recordspanel.h"
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>

namespace {
constexpr int Attempts = 3;  // the first request and two repeats
// The latest a reply is taken to come after its request, in all: the read's own window (300 ms)
// and this quiet time after a request that went unanswered.
constexpr int LateReplyGuardMs = 1200;
constexpr qint64 ProgressPeriodMs = 100;
} // namespace

void appendToBox(QTextEdit *box, const QString &text)
{
    if (text.isEmpty())
        return;
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

RecordReadPanel::RecordReadPanel(PanelContext &context, RecordsPanel &records)
    : QWidget(records.Frame15), m_ctx(context), m_records(records)
{
    setObjectName(QStringLiteral("RecordReadPanel"));
    cmdReadOneRec = commandButton(QStringLiteral("cmdReadOneRec"), QStringLiteral("单条"), this);
    cmdRedall = commandButton(QStringLiteral("cmdRedall"), QStringLiteral("读取所有记录"), this);
    cmdStopGet = namedButton(QStringLiteral("cmdStopGet"), QStringLiteral("停止"), this);
    cmdReadOneRec->setToolTip(QStringLiteral("读取“记录号”中的一条记录，然后记录号加 1"));
    cmdRedall->setToolTip(QStringLiteral("读取第 1 条到“条数”条记录"));
    cmdStopGet->setToolTip(QStringLiteral("在当前记录读完后停止读取"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (QPushButton *b : {cmdReadOneRec, cmdRedall, cmdStopGet})
        row->addWidget(b);
    records.addToFrame15(this);

    connect(cmdReadOneRec, &QPushButton::clicked, this, [this] { cmdReadOneRec_Click(); });
    connect(cmdRedall, &QPushButton::clicked, this, [this] { cmdRedall_Click(); });
    connect(cmdStopGet, &QPushButton::clicked, this, [this] { cmdStopGet_Click(); });
}

std::optional<int> RecordReadPanel::sensorsFromBox()
{
    const auto n = boxNumber(m_ctx.desktop, m_records.txtSensorNum, QStringLiteral("传感器总数"), 1,
                             records::MaxSensors, convert::Rounding::WholeOnly);
    if (!n)
        return std::nullopt;
    return int(*n);
}

Exchange RecordReadPanel::ReadRecord(const Link::Hold &hold, uint8_t address, uint16_t start, int sensors,
                                     const ExchangeKind &kind)
{
    return m_ctx.link.exchange(hold, kind,
                               modbus::readInput(address, start, uint8_t(records::registersPerRecord(sensors))));
}

std::optional<QString> RecordReadPanel::readRecordText(const Link::Hold &hold, uint8_t address, int k,
                                                       int sensors, const std::function<bool()> &keepTrying,
                                                       const ExchangeKind &kind, Exchange *last)
{
    const auto start = records::recordStart(k, sensors);
    if (!start)
        return std::nullopt;
    std::optional<QString> text;
    bool unanswered = false;  // a reply may still be on its way
    for (int attempt = 0; attempt < Attempts && !text; ++attempt) {
        if (attempt > 0 && !keepTrying())
            break;
        const Exchange ex = ReadRecord(hold, address, *start, sensors, kind);
        if (last)
            *last = ex;
        if (ex.valid()) {
            // A repeat asks for the same registers, so a late reply to an earlier attempt that ends
            // this one early carries this record all the same.
            text = ShowModbusDateHex(ex.reply);
            break;
        }
        if (!ex.sent || ex.aborted || !m_ctx.link.isOpen())
            return std::nullopt;  // nothing more can go out
        unanswered = unanswered || ex.info.cls == modbus::ReplyClass::None;
    }
    // Before another record is asked for, a whole reply that missed its window must have come and
    // gone: taken during the next exchange it would pass for the next record. (The rest of a reply
    // cut short by the window cannot: it never makes a frame with a matching CRC.)
    if (unanswered && keepTrying())
        m_ctx.link.pause(hold, LateReplyGuardMs);
    return text;
}

void RecordReadPanel::cmdReadOneRec_Click()
{
    auto cmd = beginCommand(m_ctx, QStringLiteral("单条"));
    if (!cmd)
        return;
    const auto k = boxNumber(m_ctx.desktop, m_records.txtRecCount, QStringLiteral("记录号"), 1, 65536,
                             convert::Rounding::WholeOnly);
    if (!k)
        return;
    const auto sensors = sensorsFromBox();
    if (!sensors)
        return;
    if (beyondMemory(int(*k), *sensors, QStringLiteral("第 %1 条记录").arg(*k)))
        return;
    const auto text = readRecordText(cmd->hold, cmd->address, int(*k), *sensors, [] { return true; });
    if (!text) {
        // The number stays, so the next click asks for the same record again.
        if (m_ctx.link.isOpen() && !m_ctx.link.aborted())
            m_ctx.view.showStatus(QStringLiteral("单条：第 %1 条记录未能读取（重试两次后仍无有效应答）").arg(*k));
        return;
    }
    QString line = DoneData(*text, *sensors);
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // one paragraph per line in the box
    appendToBox(m_records.txtHaveDone, line);
    appendToBox(m_records.txtReceive, *text);
    m_records.txtRecCount->setText(QString::number(*k + 1));
    m_ctx.view.showStatus(QStringLiteral("单条：已读取第 %1 条记录").arg(*k));
}

void RecordReadPanel::cmdRedall_Click()
{
    auto cmd = beginCommand(m_ctx, QStringLiteral("读取所有记录"));
    if (!cmd)
        return;
    const auto count = boxNumber(m_ctx.desktop, m_records.txtRecord, QStringLiteral("条数"), 0, 65535,
                                 convert::Rounding::WholeOnly);
    if (!count)
        return;
    const auto sensors = sensorsFromBox();
    if (!sensors)
        return;
    if (beyondMemory(int(*count), *sensors, QStringLiteral("“条数”中的 %1 条记录").arg(*count)))
        return;
    if (!m_ctx.link.isOpen()) {
        // Nothing could be read: the boxes keep what they hold.
        m_ctx.view.showStatus(QStringLiteral("读取所有记录：端口未打开，命令未发送"));
        return;
    }
    const records::DownloadOutcome d = downloadAll(cmd->hold, cmd->address, int(*count), *sensors);
    m_ctx.view.showStatus(records::downloadStatus(d));
    const QString message = records::downloadMessage(d);
    if (!message.isEmpty())
        m_ctx.desktop.message(QStringLiteral("System Information"), message, Desktop::Icon::Warning);
}

bool RecordReadPanel::beyondMemory(int record, int sensors, const QString &what)
{
    const int last = records::lastAddressableRecord(sensors);
    if (record <= last)
        return false;
    m_ctx.desktop.message(QStringLiteral("System Information"),
                          QStringLiteral("%1超出了记录仪的寄存器范围（每条 %2 个寄存器时最多 %3 条），命令未发送。")
                              .arg(what)
                              .arg(records::registersPerRecord(sensors))
                              .arg(last),
                          Desktop::Icon::Warning);
    return true;
}

void RecordReadPanel::cmdStopGet_Click()
{
    ReadAllRun = false;
}

void RecordReadPanel::showProgress(int k, int done, int total, qint64 elapsedMs, const Exchange &last)
{
    m_records.lblCountIC->setText(QString::number(k));
    m_records.prgRecords->setValue(done);
    m_records.lblTimeLeft->setText(records::timeLeftText(elapsedMs, done, total));
    // The traffic of the latest record read, as the read itself shows it.
    if (last.sent) {
        m_ctx.view.showCommand(requestHex(last.request));
        if (crcMatches(last.reply))
            m_ctx.view.showState(last.stateText);
        m_ctx.view.showStatus(QStringLiteral("%1：%2").arg(kinds::RecordRead.name, modbus::describeReply(last.info)));
    }
}

records::DownloadOutcome RecordReadPanel::downloadAll(const Link::Hold &hold, uint8_t address, int count,
                                                      int sensors)
{
    using End = records::DownloadOutcome::End;
    records::DownloadOutcome d;
    d.total = count;
    ReadAllRun = true;
    m_records.txtReceive->clear();
    m_records.txtHaveDone->clear();
    m_records.Label5_0->setText(QStringLiteral("正在读取记录"));
    m_records.Label4_3->setText(QStringLiteral("共%1条").arg(count));
    m_records.prgRecords->setRange(0, std::max(count, 1));
    m_records.prgRecords->setValue(0);
    m_records.lblTimeLeft->setText(records::timeLeftText(0, 0, count));
    m_records.prgRecords->show();
    m_records.lblTimeLeft->show();
    m_records.PicCounter->show();

    // The record texts gather here and go into txtReceive in one insertion at the end: a text box
    // lays out its whole paragraph again on every change, so appending record by record would cost
    // more the more the box holds.
    QString received;
    received.reserve(qsizetype(count) * (2 * sensors + 6) * 3);
    QElapsedTimer clock;
    clock.start();
    // The progress panel follows at a pace the eye can take; every repaint costs the line time.
    qint64 shownAt = -ProgressPeriodMs;
    int silentInARow = 0;
    int k = 1;
    const auto keepTrying = [this] { return ReadAllRun && !m_ctx.link.aborted(); };
    // Every record read is shown with the progress, not on its own.
    static const ExchangeKind pacedRead = [] {
        ExchangeKind kind = kinds::RecordRead;
        kind.quietDisplay = true;
        return kind;
    }();
    Exchange last;
    m_ctx.view.showLamp(TrafficView::Lamp::Yellow);
    for (; k <= count; ++k) {
        if (!ReadAllRun || m_ctx.link.aborted()) {
            d.end = m_ctx.link.aborted() && ReadAllRun ? End::Closing : End::Stopped;
            d.notTriedFrom = k;
            break;
        }
        if (clock.elapsed() - shownAt >= ProgressPeriodMs) {
            shownAt = clock.elapsed();
            showProgress(k, k - 1, count, shownAt, last);
        }
        if (const auto text = readRecordText(hold, address, k, sensors, keepTrying, pacedRead, &last)) {
            received += *text;
            ++d.read;
            silentInARow = 0;
        } else {
            d.unread.append(k);
            ++silentInARow;
        }
        if (!m_ctx.link.isOpen()) {
            d.end = End::PortLost;
            d.notTriedFrom = k < count ? k + 1 : 0;
            break;
        }
        if (silentInARow >= records::SilentRecordsLimit && k < count) {
            d.end = End::DeviceSilent;
            d.notTriedFrom = k + 1;
            break;
        }
    }
    // lblCountIC ends on the record the loop stopped at, or the last one when it ran through.
    showProgress(std::min(k, count), d.read + int(d.unread.size()), count, clock.elapsed(), last);
    appendToBox(m_records.txtReceive, received);
    ReadAllRun = false;
    m_records.prgRecords->hide();
    m_records.lblTimeLeft->hide();
    m_records.PicCounter->hide();
    return d;
}
