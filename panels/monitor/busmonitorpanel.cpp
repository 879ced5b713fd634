#include "panels/monitor/busmonitorpanel.h"
#include "core/link/framelog.h"
#include "core/files/safefile.h"
#include "ui/desktop.h"
#include "ui/valuelabel.h"
#include <QAbstractTableModel>
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHash>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <bitset>

// The rows are sequence numbers into the log; what a cell says is read from the frame when the cell
// is drawn, so a hundred thousand rows cost the numbers only.
class FrameTableModel : public QAbstractTableModel {
public:
    FrameTableModel(const FrameLog &log, const QWidget *view, QObject *parent)
        : QAbstractTableModel(parent), m_log(log), m_view(view)
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 5; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        const QString names[] = {BusMonitorPanel::tr("时间"), BusMonitorPanel::tr("方向"), BusMonitorPanel::tr("间隔(ms)"),
                                 BusMonitorPanel::tr("十六进制"), BusMonitorPanel::tr("解析")};
        return section >= 0 && section < 5 ? names[section] : QString();
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size() || !m_log.contains(m_rows[index.row()]))
            return {};
        const qint64 seq = m_rows[index.row()];
        if (role == Qt::ForegroundRole)
            return decoded(seq).error ? QBrush(warningColour(m_view->palette())) : QVariant();
        if (role == Qt::TextAlignmentRole && index.column() == 2)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        if (index.column() == 4)
            return decoded(seq).text;
        const FrameRecord f = m_log.at(seq);
        switch (index.column()) {
        case 0: return framelog::timeText(f.timeMs);
        case 1: return framelog::directionText(f.kind);
        case 2: return framelog::gapText(f.gapUs);
        default: return QString::fromLatin1(f.bytes.toHex(' ').toUpper());
        }
    }

    // Rows for the frames logged since the last call; rows whose frames the log dropped go.
    void catchUp()
    {
        const auto kept = std::lower_bound(m_rows.cbegin(), m_rows.cend(), m_log.firstSeq());
        if (const int gone = int(kept - m_rows.cbegin()); gone > 0) {
            beginRemoveRows({}, 0, gone - 1);
            m_rows.remove(0, gone);
            endRemoveRows();
        }
        QVector<qint64> added;
        for (m_next = std::max(m_next, m_log.firstSeq()); m_next < m_log.endSeq(); ++m_next) {
            const FrameRecord f = m_log.at(m_next);
            const int address = framelog::address(f);
            if (address >= 0 && (f.kind == FrameKind::Sent || f.kind == FrameKind::Received))
                m_devices.set(size_t(address));
            if (passes(f))
                added.append(m_next);
        }
        if (added.isEmpty())
            return;
        beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + added.size() - 1));
        m_rows += added;
        endInsertRows();
    }

    void setFilter(int device, bool errorsOnly)
    {
        m_device = device;
        m_errorsOnly = errorsOnly;
        beginResetModel();
        m_rows.clear();
        for (qint64 seq = m_log.firstSeq(); seq < std::min(m_next, m_log.endSeq()); ++seq)
            if (passes(m_log.at(seq)))
                m_rows.append(seq);
        endResetModel();
    }

    // After the log was cleared.
    void reset()
    {
        beginResetModel();
        m_rows.clear();
        m_next = m_log.endSeq();
        m_devices.reset();
        m_decoded.clear();
        endResetModel();
    }

    const QVector<qint64> &rows() const { return m_rows; }
    const std::bitset<256> &devices() const { return m_devices; }
    qint64 pending() const { return m_log.endSeq() - std::max(m_next, m_log.firstSeq()); }

private:
    // A view asks for every cell of a row, in several roles, on every repaint: each frame is read once.
    // A frame never changes, so what was read stays right; the cache holds a few screens' worth.
    const FrameText &decoded(qint64 seq) const
    {
        if (const auto it = m_decoded.constFind(seq); it != m_decoded.cend())
            return *it;
        if (m_decoded.size() >= 512)
            m_decoded.clear();
        return *m_decoded.insert(seq, framelog::decode(m_log.at(seq)));
    }

    bool passes(const FrameRecord &f) const
    {
        if (m_device >= 0 && framelog::address(f) != m_device)
            return false;
        return !m_errorsOnly || framelog::decode(f).error;
    }

    const FrameLog &m_log;
    const QWidget *m_view;  // whose palette, light or dark, an error's colour must read on
    QVector<qint64> m_rows;
    qint64 m_next = 0;
    int m_device = -1;
    bool m_errorsOnly = false;
    std::bitset<256> m_devices;  // addresses seen in requests and replies
    mutable QHash<qint64, FrameText> m_decoded;
};

namespace {
constexpr int CatchUpMs = 200;
}

BusMonitorPanel::BusMonitorPanel(FrameLog &log, Desktop &desktop, QWidget *parent)
    : QDockWidget(tr("通信监视"), parent), m_log(log), m_desktop(desktop)
{
    setObjectName(QStringLiteral("dockMonitor"));
    auto *body = new QWidget(this);
    auto *lblDevice = new QLabel(tr("设备"), body);
    cboMonitorDevice = new QComboBox(body);
    cboMonitorDevice->setObjectName(QStringLiteral("cboMonitorDevice"));
    cboMonitorDevice->setAccessibleName(tr("按设备地址筛选"));
    cboMonitorDevice->addItem(tr("全部"), -1);
    cboMonitorDevice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lblDevice->setBuddy(cboMonitorDevice);
    chkMonitorErrors = new QCheckBox(tr("仅显示错误"), body);
    chkMonitorErrors->setObjectName(QStringLiteral("chkMonitorErrors"));
    chkMonitorErrors->setToolTip(tr("异常应答、CRC错误、残帧、多余或丢弃的字节、无应答"));
    const auto button = [body](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, body);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(caption);
        return b;
    };
    cmdMonitorPause = button("cmdMonitorPause", tr("暂停"));
    cmdMonitorPause->setCheckable(true);
    cmdMonitorPause->setToolTip(tr("停止刷新表格；记录照常进行，继续时补上"));
    cmdMonitorClear = button("cmdMonitorClear", tr("清除"));
    cmdMonitorSave = button("cmdMonitorSave", tr("保存…"));
    cmdMonitorSave->setToolTip(tr("把表格中显示的帧保存为文本或CSV文件"));
    lblMonitorCount = new ValueLabel(QString(), tr("显示的帧数"), body);
    lblMonitorCount->setObjectName(QStringLiteral("lblMonitorCount"));

    makeTable(body);
    layOut(body, lblDevice);
    connectControls();
    showCount();
}

void BusMonitorPanel::makeTable(QWidget *body)
{
    tblMonitor = new QTableView(body);
    m_model = new FrameTableModel(m_log, tblMonitor, this);
    tblMonitor->setObjectName(QStringLiteral("tblMonitor"));
    tblMonitor->setAccessibleName(tr("通信帧列表"));
    tblMonitor->setModel(m_model);
    tblMonitor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    tblMonitor->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblMonitor->setWordWrap(false);
    tblMonitor->setTabKeyNavigation(false);  // Tab leaves the table for the next control
    // Fixed row heights and column widths: measuring a hundred thousand rows would stall the window.
    tblMonitor->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblMonitor->verticalHeader()->setDefaultSectionSize(tblMonitor->fontMetrics().height() + 4);
    tblMonitor->verticalHeader()->hide();
    const int digit = tblMonitor->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {14, 5, 10, 50};
    for (int c = 0; c < 4; ++c)
        tblMonitor->setColumnWidth(c, widths[c] * digit);
    tblMonitor->horizontalHeader()->setStretchLastSection(true);
}

void BusMonitorPanel::layOut(QWidget *body, QLabel *lblDevice)
{
    auto *controls = new QHBoxLayout;
    controls->addWidget(lblDevice);
    controls->addWidget(cboMonitorDevice);
    controls->addWidget(chkMonitorErrors);
    controls->addWidget(cmdMonitorPause);
    controls->addWidget(cmdMonitorClear);
    controls->addWidget(cmdMonitorSave);
    controls->addWidget(lblMonitorCount, 1);
    auto *column = new QVBoxLayout(body);
    column->addLayout(controls);
    column->addWidget(tblMonitor, 1);
    setWidget(body);
}

void BusMonitorPanel::connectControls()
{
    m_timer = new QTimer(this);
    m_timer->setInterval(CatchUpMs);
    connect(m_timer, &QTimer::timeout, this, &BusMonitorPanel::catchUp);
    connect(cboMonitorDevice, &QComboBox::currentIndexChanged, this, &BusMonitorPanel::applyFilter);
    connect(chkMonitorErrors, &QCheckBox::toggled, this, &BusMonitorPanel::applyFilter);
    connect(cmdMonitorPause, &QPushButton::toggled, this, [this](bool paused) {
        cmdMonitorPause->setText(paused ? tr("继续") : tr("暂停"));
        cmdMonitorPause->setAccessibleName(cmdMonitorPause->text());
        if (!paused)
            catchUp();
        showCount();
    });
    connect(cmdMonitorClear, &QPushButton::clicked, this, [this] {
        m_log.clear();
        m_model->reset();
        m_note.clear();
        {
            const QSignalBlocker quiet(cboMonitorDevice);
            while (cboMonitorDevice->count() > 1)
                cboMonitorDevice->removeItem(1);
            cboMonitorDevice->setCurrentIndex(0);
        }
        applyFilter();
    });
    connect(cmdMonitorSave, &QPushButton::clicked, this, &BusMonitorPanel::save);
}

BusMonitorPanel::~BusMonitorPanel() = default;

const QVector<qint64> &BusMonitorPanel::shownFrames() const
{
    return m_model->rows();
}

void BusMonitorPanel::showEvent(QShowEvent *event)
{
    QDockWidget::showEvent(event);
    catchUp();
    m_timer->start();
}

void BusMonitorPanel::hideEvent(QHideEvent *event)
{
    m_timer->stop();
    QDockWidget::hideEvent(event);
}

void BusMonitorPanel::catchUp()
{
    if (cmdMonitorPause->isChecked()) {
        showCount();
        return;
    }
    // Only a reader at the end of the table is taken along with what comes.
    const QScrollBar *bar = tblMonitor->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const qsizetype before = m_model->rows().size();
    m_model->catchUp();
    addDevices();
    if (atEnd && m_model->rows().size() != before)
        tblMonitor->scrollToBottom();
    showCount();
}

void BusMonitorPanel::addDevices()
{
    const QSignalBlocker quiet(cboMonitorDevice);
    for (int a = 0; a < 256; ++a) {
        if (!m_model->devices().test(size_t(a)) || cboMonitorDevice->findData(a) >= 0)
            continue;
        int at = 1;
        while (at < cboMonitorDevice->count() && cboMonitorDevice->itemData(at).toInt() < a)
            ++at;
        cboMonitorDevice->insertItem(at, QString::number(a), a);
    }
}

void BusMonitorPanel::applyFilter()
{
    m_model->setFilter(cboMonitorDevice->currentData().toInt(), chkMonitorErrors->isChecked());
    showCount();
}

void BusMonitorPanel::showCount()
{
    QString text = tr("显示 %1 帧，共记录 %2 帧（最多保留 %3 帧）")
                       .arg(m_model->rows().size()).arg(m_log.size()).arg(m_log.capacity());
    if (cmdMonitorPause->isChecked())
        text += tr("；已暂停，%1 帧未显示").arg(m_model->pending());
    if (!m_note.isEmpty())
        text += tr("；") + m_note;
    lblMonitorCount->setText(text);
}

void BusMonitorPanel::save()
{
    if (m_model->rows().isEmpty()) {
        m_desktop.message(QStringLiteral("System Information"), tr("表格中没有可保存的帧"), Desktop::Icon::Information);
        return;
    }
    // A name to start from: what it is and when.
    const QString suggested = m_desktop.appDir() + QStringLiteral("/")
        + tr("通信监视_%1.txt").arg(m_desktop.now().toString(QStringLiteral("yyyy-MM-dd_HHmm")));
    const QString path = m_desktop.saveFileName(tr("保存通信监视记录"), suggested, tr("文本文件 (*.txt);;CSV文件 (*.csv)"));
    if (path.isEmpty())
        return;
    // The file's name says which: what the CSV filter gives ends in .csv.
    const bool csv = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    const QByteArray content = csv ? framelog::csvFile(m_log, m_model->rows()) : framelog::textFile(m_log, m_model->rows());
    QString error;
    if (!safefile::writeWhole(path, content, &error)) {
        m_desktop.warnAndSay(tr("无法保存 %1：%2\n原有的文件没有改动。").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_note = tr("已把 %1 帧保存到 %2").arg(m_model->rows().size()).arg(QDir::toNativeSeparators(path));
    m_desktop.say(m_note);
    showCount();
}
