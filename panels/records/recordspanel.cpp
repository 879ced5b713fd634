#include "panels/records/recordspanel.h"
#include "ui/commandstart.h"
#include "panels/export/exportpanel.h"
#include "ui/boxinput.h"
#include "ui/valuelabel.h"
#include "core/records/recorddecode.h"
#include "core/records/recordtext.h"
#include "core/link/convert.h"
#include <QVBoxLayout>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>

namespace {
// Appends text at the end of a box's document without reading or rewriting what it holds.
void appendToBox(QTextEdit *box, const QString &text)
{
    if (text.isEmpty())
        return;
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

QTextEdit *dataBox(const QString &name, const QString &accessible, QWidget *parent)
{
    auto *t = new QTextEdit(parent);
    t->setObjectName(name);
    t->setAcceptRichText(false);
    t->setAccessibleName(accessible);
    t->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    t->setLineWrapMode(QTextEdit::WidgetWidth);
    return t;
}

QLabel *label(const QString &text, QWidget *parent)
{
    return new QLabel(text, parent);
}

// A label whose text changes while records are read or exported.
ValueLabel *valueLabel(const QString &name, const QString &text, const QString &accessible, QWidget *parent)
{
    auto *l = new ValueLabel(text, accessible, parent);
    l->setObjectName(name);
    return l;
}

// A number box with its caption label in front, added to a row.
QLineEdit *numberBox(const QString &name, const QString &text, const QString &caption, QHBoxLayout *row, QWidget *parent)
{
    auto *e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setMaximumWidth(80);
    auto *l = new QLabel(caption, parent);
    l->setBuddy(e);
    row->addWidget(l);
    row->addWidget(e);
    return e;
}
} // namespace

RecordsPanel::RecordsPanel(Desktop &desktop, QWidget *parent) : QWidget(parent), m_desktop(desktop)
{
    makeProgressPanel();
    makeRecordFrames();
    txtDecoded = dataBox(QStringLiteral("txtHaveDone"), tr("解析后的记录"), this);
    txtReceive = dataBox(QStringLiteral("txtReceive"), tr("接收到的记录数据（十六进制）"), this);
    lblPauseHint = label(tr("读取记录时，请将设备设置为暂停记录状态"), this);
    lblPauseHint->setObjectName(QStringLiteral("Label2(12)"));

    cmdClearData = new QPushButton(tr("清空数据区"), this);
    cmdClearData->setObjectName(QStringLiteral("cmdClearShow"));
    exportPanel = new ExportPanel(desktop, *this, this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(exportPanel);
    buttons->addWidget(cmdClearData);
    buttons->addStretch();

    auto *g = new QGridLayout(this);
    g->addWidget(recordCountFrame, 0, 0);
    g->addWidget(recordReadFrame, 0, 1);
    g->addLayout(buttons, 1, 0, 1, 2);
    g->addWidget(progressPanel, 2, 0, 1, 2);
    g->addWidget(lblPauseHint, 3, 0, 1, 2);
    g->addWidget(txtDecoded, 4, 0);
    g->addWidget(txtReceive, 4, 1);
    g->setRowStretch(4, 1);

    connect(cmdClearData, &QPushButton::clicked, this, [this] { clearDataBoxes(); });
    connect(txtReceive->document(), &QTextDocument::contentsChange, this, [this] {
        if (!m_writing)
            m_edited = true;
    });
    // The fill follows the boxes, whoever changes them: a count read, a sensor count read or typed.
    connect(txtRecord, &QLineEdit::textChanged, this, &RecordsPanel::showMemoryFill);
    connect(txtSensorNum, &QLineEdit::textChanged, this, &RecordsPanel::showMemoryFill);
    showMemoryFill();
}

void RecordsPanel::makeProgressPanel()
{
    progressPanel = new QWidget(this);
    progressPanel->setObjectName(QStringLiteral("PicCounter"));
    lblActivity = valueLabel(QStringLiteral("Label5(0)"), tr("系统正在转换处理..."), tr("当前处理"), progressPanel);
    lblRecordTotal = valueLabel(QStringLiteral("Label4(3)"), QString(), tr("本次记录条数"), progressPanel);
    lblCurrentRecord = valueLabel(QStringLiteral("lblCountIC"), QStringLiteral("0"), tr("已处理的记录号"), progressPanel);
    lblCurrentRecord->setAlignment(Qt::AlignRight | Qt::AlignVCenter);  // the number beside "条", the room before it
    auto *progress = new QHBoxLayout(progressPanel);
    progress->addWidget(lblActivity);
    progress->addWidget(lblRecordTotal);
    auto *done = label(tr("已处理"), progressPanel);
    done->setBuddy(lblCurrentRecord);
    progress->addWidget(done);
    progress->addWidget(lblCurrentRecord);
    progress->addWidget(label(tr("条"), progressPanel));
    // Only a download shows the bar and the time left: records done of n.
    prgRecords = new QProgressBar(progressPanel);
    prgRecords->setObjectName(QStringLiteral("prgRecords"));
    prgRecords->setAccessibleName(tr("记录读取进度"));
    prgRecords->setFormat(QStringLiteral("%v / %m"));
    prgRecords->setFixedWidth(240);
    lblTimeLeft = valueLabel(QStringLiteral("lblTimeLeft"), QString(), tr("剩余时间"), progressPanel);
    // Texts that change while records are read have a fixed size: a label of another size asks for
    // a new layout, and the tab control answers that by repainting the whole tab.
    for (const auto &[l, widest] : {std::pair{lblCurrentRecord, QStringLiteral("000000")},
                                    std::pair{lblTimeLeft, tr("剩余约 00 小时 00 分")}})
        l->setFixedSize(l->fontMetrics().horizontalAdvance(widest) + 4, l->sizeHint().height());
    progress->addWidget(prgRecords);
    progress->addWidget(lblTimeLeft);
    progress->addStretch();
    prgRecords->hide();
    lblTimeLeft->hide();
    progressPanel->hide();
}

void RecordsPanel::makeRecordFrames()
{
    recordCountFrame = makeFrame(QStringLiteral("Frame14(1)"), tr("有效记录总数（及指针）"), this);
    auto *countFrame = new QVBoxLayout(recordCountFrame);
    m_countRow = new QHBoxLayout;
    countFrame->addLayout(m_countRow);
    txtRecord = numberBox(QStringLiteral("txtRecord"), QStringLiteral("0"), tr("条数"), m_countRow, recordCountFrame);
    txtRecPoint = numberBox(QStringLiteral("txtRecPoint"), QStringLiteral("0"), tr("指针"), m_countRow, recordCountFrame);
    m_countRow->addStretch();
    lblMemoryFill = valueLabel(QStringLiteral("lblMemoryFill"), QString(), tr("存储占用"), recordCountFrame);
    countFrame->addWidget(lblMemoryFill);

    recordReadFrame = makeFrame(QStringLiteral("Frame15"),
                        tr("按记录按条读取（建议数据量较小及记录未中断过的情况下使用）"), this);
    auto *readRow = new QHBoxLayout(recordReadFrame);
    txtRecordNumber = numberBox(QStringLiteral("txtRecCount"), QStringLiteral("1"), tr("记录号"), readRow, recordReadFrame);
    txtSensorNum = numberBox(QStringLiteral("txtSensorNum"), QStringLiteral("20"), tr("传感器总数"), readRow, recordReadFrame);
    readRow->addStretch();
}

std::optional<records::MemoryFill> RecordsPanel::memoryFill() const
{
    const auto count = convert::toWhole(txtRecord->text(), 0, 65535, convert::Rounding::WholeOnly);
    const auto sensors = convert::toWhole(txtSensorNum->text(), 1, records::MaxSensors, convert::Rounding::WholeOnly);
    if (!count || !sensors)
        return std::nullopt;
    return records::memoryFill(*count, int(*sensors));
}

void RecordsPanel::showMemoryFill()
{
    const auto fill = memoryFill();
    if (!fill) {
        lblMemoryFill->setText(tr("存储占用：条数或传感器总数无效"));
        lblMemoryFill->setStyleSheet(QString());
        return;
    }
    // Said in words as well as in colour.
    const bool warn = fill->nearlyFull();
    lblMemoryFill->setText(tr("存储占用：%1%2").arg(records::fillText(*fill),
                                                          !warn ? QString()
                                                          : fill->count >= fill->capacity ? tr("，已满，请读取记录后清条数")
                                                                                          : tr("，将满，请读取记录后清条数")));
    lblMemoryFill->setStyleSheet(warn ? warningStyle(lblMemoryFill) : QString());
}

QList<QWidget *> RecordsPanel::readingOrder() const
{
    return {recordCountFrame, recordReadFrame, exportPanel, cmdClearData, txtDecoded, txtReceive};
}

void RecordsPanel::addToRecordCountFrame(QWidget *control)
{
    m_countRow->insertWidget(m_countRow->count() - 1, control);  // before the closing stretch
}

void RecordsPanel::addToRecordReadFrame(QWidget *control)
{
    auto *row = static_cast<QHBoxLayout *>(recordReadFrame->layout());
    row->insertWidget(row->count() - 1, control);  // before the closing stretch
}

void RecordsPanel::clearDataBoxes()
{
    m_writing = true;
    txtReceive->clear();
    m_writing = false;
    m_received.clear();
    m_edited = false;
    txtDecoded->clear();
}

void RecordsPanel::appendReceived(const QList<records::Record> &received)
{
    m_writing = true;
    appendToBox(txtReceive, records::recordsText(received));
    m_writing = false;
    m_received += received;
}

std::optional<int> RecordsPanel::whole(const QLineEdit *box, const QString &caption, int lo, int hi)
{
    const auto n = boxNumber(m_desktop, box, caption, lo, hi, convert::Rounding::WholeOnly);
    return n ? std::optional<int>(int(*n)) : std::nullopt;
}

std::optional<int> RecordsPanel::recordNumber() { return whole(txtRecordNumber, tr("记录号"), 1, 65536); }
std::optional<int> RecordsPanel::recordCount() { return whole(txtRecord, tr("条数"), 0, 65535); }
std::optional<int> RecordsPanel::sensorCount() { return whole(txtSensorNum, tr("传感器总数"), 1, records::MaxSensors); }

void RecordsPanel::showRecordCount(int n) { txtRecord->setText(QString::number(n)); }
void RecordsPanel::showSensorCount(int n) { txtSensorNum->setText(QString::number(n)); }
void RecordsPanel::setNextRecordNumber(int k) { txtRecordNumber->setText(QString::number(k)); }

void RecordsPanel::appendRecord(const records::Record &record, int sensors)
{
    QString line = records::decodedLine(record, sensors);
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // one paragraph per line in the box
    appendToBox(txtDecoded, line);
    appendReceived({record});
}

void RecordsPanel::beginDownload(int count)
{
    clearDataBoxes();
    lblActivity->setText(tr("正在读取记录"));
    lblRecordTotal->setText(tr("共%1条").arg(count));
    prgRecords->setRange(0, std::max(count, 1));
    prgRecords->setValue(0);
    lblTimeLeft->setText(records::timeLeftText(0, 0, count));
    for (QWidget *w : {static_cast<QWidget *>(prgRecords), static_cast<QWidget *>(lblTimeLeft), progressPanel})
        w->show();
}

void RecordsPanel::showProgress(int k, int done, int total, qint64 elapsedMs)
{
    lblCurrentRecord->setText(QString::number(k));
    prgRecords->setValue(done);
    lblTimeLeft->setText(records::timeLeftText(elapsedMs, done, total));
}

void RecordsPanel::endDownload(const QList<records::Record> &received)
{
    appendReceived(received);
    for (QWidget *w : {static_cast<QWidget *>(prgRecords), static_cast<QWidget *>(lblTimeLeft), progressPanel})
        w->hide();
}

bool RecordsPanel::hasRecords() const
{
    return m_edited ? !txtReceive->toPlainText().trimmed().isEmpty() : !m_received.isEmpty();
}

records::RecordText RecordsPanel::exportRecords(int sensors) const
{
    if (m_edited)
        return records::readRecordText(txtReceive->toPlainText(), sensors);
    return {m_received, {}};
}

QString RecordsPanel::countText() const { return txtRecord->text(); }
QString RecordsPanel::sensorText() const { return txtSensorNum->text(); }

void RecordsPanel::showExportStarted()
{
    txtDecoded->clear();
    progressPanel->setVisible(true);
    lblActivity->setText(tr("正在处理"));
    lblCurrentRecord->setText(QStringLiteral("1"));
}

void RecordsPanel::showExportTotal(int records) { lblRecordTotal->setText(tr("共%1条").arg(records)); }

void RecordsPanel::showExportEnded(int lastPlace, const QString &line)
{
    if (lastPlace > 0) {
        lblCurrentRecord->setText(QString::number(lastPlace));
        txtDecoded->setPlainText(line);
    }
    progressPanel->setVisible(false);
}
