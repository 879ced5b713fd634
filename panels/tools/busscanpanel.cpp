#include "panels/tools/busscanpanel.h"
#include "ui/valuelabel.h"
#include "ui/boxinput.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "core/link/baudrates.h"
#include "core/records/recorddecode.h"
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

namespace {
enum Column { AddressColumn, RateColumn, AnswerColumn };

} // namespace

BusScanPanel::BusScanPanel(PanelContext &context, std::function<void(int)> setPortRate, QWidget *parent)
    : QWidget(parent), m_ctx(context), m_setPortRate(std::move(setPortRate))
{
    setObjectName(QStringLiteral("BusScanPanel"));
    auto *g = new QGridLayout(this);
    txtScanFirst = captionedBox(QStringLiteral("txtScanFirst"), QString::number(scan::FirstAddress), tr("起始地址"), g, 0, 0, this);
    txtScanLast = captionedBox(QStringLiteral("txtScanLast"), QString::number(scan::LastAddress), tr("结束地址"), g, 0, 2, this);
    txtScanWait = captionedBox(QStringLiteral("txtScanWait"), QString::number(scan::DefaultWaitMs), tr("应答等待(ms)"), g, 0, 4, this);
    chkScanAllRates = new QCheckBox(tr("依次使用记录仪的五种波特率（4800–38400），否则只用端口当前的波特率"), this);
    chkScanAllRates->setObjectName(QStringLiteral("chkScanAllRates"));
    g->addWidget(chkScanAllRates, 1, 0, 1, 7);

    cmdScanStart = commandButton(QStringLiteral("cmdScanStart"), tr("开始扫描"), this);
    cmdScanStart->setToolTip(tr("向每个地址读一次传感器总数（只读，不写入任何内容），列出应答的设备"));
    cmdScanStop = namedButton(QStringLiteral("cmdScanStop"), tr("停止"), this);
    cmdScanStop->setToolTip(tr("立即停止扫描"));
    prgScan = new QProgressBar(this);
    prgScan->setObjectName(QStringLiteral("prgScan"));
    prgScan->setAccessibleName(tr("扫描进度"));
    prgScan->setFormat(QStringLiteral("%v / %m"));
    prgScan->setValue(0);
    lblScanAt = new ValueLabel(QString(), tr("正在询问的地址"), this);
    lblScanAt->setObjectName(QStringLiteral("lblScanAt"));
    lblScanLeft = new ValueLabel(QString(), tr("扫描剩余时间"), this);
    lblScanLeft->setObjectName(QStringLiteral("lblScanLeft"));
    auto *run = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(cmdScanStart), static_cast<QWidget *>(cmdScanStop),
                       static_cast<QWidget *>(prgScan), static_cast<QWidget *>(lblScanAt), static_cast<QWidget *>(lblScanLeft)})
        run->addWidget(w);
    run->addStretch();
    g->addLayout(run, 2, 0, 1, 7);

    lstScanFound = new QTreeWidget(this);
    lstScanFound->setObjectName(QStringLiteral("lstScanFound"));
    lstScanFound->setAccessibleName(tr("找到的设备"));
    lstScanFound->setRootIsDecorated(false);
    lstScanFound->setHeaderLabels({tr("设备地址"), tr("波特率"), tr("应答")});
    lstScanFound->header()->setSectionResizeMode(AnswerColumn, QHeaderView::Stretch);
    g->addWidget(lstScanFound, 3, 0, 1, 7);
    cmdScanUse = commandButton(QStringLiteral("cmdScanUse"), tr("设为当前设备"), this);
    cmdScanUse->setToolTip(tr("把选中设备的地址填入“设备地址”，并把端口改为它的波特率"));
    g->addWidget(cmdScanUse, 4, 0, 1, 2);
    g->setColumnStretch(6, 1);
    g->setRowStretch(3, 1);

    connect(cmdScanStart, &QPushButton::clicked, this, [this] { startScan(); });
    connect(cmdScanStop, &QPushButton::clicked, this, [this] { stopScan(); });
    connect(cmdScanUse, &QPushButton::clicked, this, [this] { useFound(); });
    connect(lstScanFound, &QTreeWidget::itemActivated, this, [this] { useFound(); });
}

std::optional<scan::Plan> BusScanPanel::plan()
{
    Desktop &d = m_ctx.desktop;
    using convert::Rounding;
    const auto first = boxNumber(d, txtScanFirst, tr("起始地址"), scan::FirstAddress, scan::LastAddress, Rounding::WholeOnly);
    if (!first)
        return std::nullopt;
    const auto last = boxNumber(d, txtScanLast, tr("结束地址"), *first, scan::LastAddress, Rounding::WholeOnly);
    if (!last)
        return std::nullopt;
    const auto wait = boxNumber(d, txtScanWait, tr("应答等待(ms)"), scan::LowestWaitMs, scan::HighestWaitMs,
                                Rounding::WholeOnly);
    if (!wait)
        return std::nullopt;
    scan::Plan p{.first = int(*first), .last = int(*last), .rates = {}, .waitMs = int(*wait)};
    if (chkScanAllRates->isChecked())
        p.rates = QList<int>(baud::Rates.begin(), baud::Rates.end());
    else
        p.rates = {m_ctx.link.baudRate()};
    return p;
}

void BusScanPanel::addFound(const scan::Found &device)
{
    auto *item = new QTreeWidgetItem(lstScanFound);
    item->setText(AddressColumn, QString::number(device.address));
    item->setText(RateColumn, QString::number(device.baud));
    item->setText(AnswerColumn, device.late ? device.answer + tr("（应答较慢，可加大应答等待）") : device.answer);
    item->setData(AddressColumn, Qt::UserRole, int(device.address));
    item->setData(RateColumn, Qt::UserRole, device.baud);
    if (!lstScanFound->currentItem())
        lstScanFound->setCurrentItem(item);
}

void BusScanPanel::startScan()
{
    auto hold = holdBus(m_ctx, tr("总线扫描"));
    if (!hold)
        return;
    const auto p = plan();
    if (!p)
        return;
    if (!m_ctx.link.isOpen()) {
        m_ctx.view.showStatus(tr("总线扫描：端口未打开，未扫描"));
        return;
    }
    lstScanFound->clear();
    prgScan->setRange(0, p->total());
    prgScan->setValue(0);
    BusScan scan(m_ctx.link);
    QElapsedTimer clock;
    clock.start();
    connect(&scan, &BusScan::progress, this, [&](int done, int total, int rate, int address) {
        prgScan->setValue(done);
        lblScanAt->setText(tr("正在询问：地址 %1，%2 bps").arg(address).arg(rate));
        lblScanLeft->setText(records::timeLeftText(clock.elapsed(), done, total));
    });
    connect(&scan, &BusScan::found, this, &BusScanPanel::addFound);
    m_running = hold->cancel();
    const scan::Outcome out = scan.run(*hold, *p);
    m_running.reset();
    if (out.end == scan::Outcome::End::Closing)
        return;
    prgScan->setValue(out.asked);
    lblScanAt->clear();
    lblScanLeft->clear();
    using End = scan::Outcome::End;
    QString text = out.end == End::Complete  ? tr("总线扫描：完成")
                   : out.end == End::Stopped ? tr("总线扫描：已停止")
                                             : tr("总线扫描：端口已断开，扫描中止");
    text += tr("，询问了 %1 次，找到 %2 台设备").arg(out.asked).arg(out.found.size());
    for (int rate : out.refusedRates)
        text += tr("；端口不支持 %1 bps，未扫描该波特率").arg(rate);
    m_ctx.view.showStatus(text);
}

void BusScanPanel::stopScan()
{
    if (m_running)
        m_running->cancel(CancelReason::Stop);
}

void BusScanPanel::useFound()
{
    const QTreeWidgetItem *item = lstScanFound->currentItem();
    if (!item) {
        m_ctx.view.showStatus(tr("设为当前设备：请先在列表中选择一台设备"));
        return;
    }
    // Not while a command runs: its requests must keep the address and rate they started with.
    if (m_ctx.link.busy()) {
        m_ctx.view.showStatus(busyMessage(tr("设为当前设备")));
        return;
    }
    const int address = item->data(AddressColumn, Qt::UserRole).toInt();
    const int rate = item->data(RateColumn, Qt::UserRole).toInt();
    m_ctx.modbus.showDeviceAddress(address);
    m_setPortRate(rate);
    m_ctx.view.showStatus(tr("设为当前设备：设备地址 %1，端口波特率 %2（按“保存”可写入 comm.set）").arg(address).arg(rate));
}
