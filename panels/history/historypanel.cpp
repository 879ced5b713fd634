#include "panels/history/historypanel.h"
#include "ui/valuelabel.h"
#include "panels/history/historymodel.h"
#include "core/report/chartpainter.h"
#include "panels/history/recordchart.h"
#include "panels/history/recordernamepanel.h"
#include "ui/commandstart.h"
#include "ui/desktop.h"
#include "ui/panelcontext.h"
#include "core/settings/archivesettings.h"
#include "ui/recordarchive.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace {
constexpr int DefaultDays = 30;       // a recorder chosen shows its last month
constexpr int MaxMarks = 2000;        // rows picked beyond this are not marked one by one
const QString Minute = QStringLiteral("yyyy-MM-dd HH:mm");

QDateTime minuteTime(const QString &text)
{
    return QDateTime::fromString(text, Minute);
}

// The recorder waits one second more than its interval register says between records (the interval
// box's note: set 59 for records a minute apart), so the spacing of the records is the register + 1.
QString recordSpacing(int intervalRegister)
{
    const int seconds = intervalRegister + 1;
    if (seconds % 3600 == 0)
        return HistoryPanel::tr("%1 小时").arg(seconds / 3600);
    if (seconds % 60 == 0)
        return HistoryPanel::tr("%1 分钟").arg(seconds / 60);
    return HistoryPanel::tr("%1 秒").arg(seconds);
}

} // namespace

HistoryPanel::HistoryPanel(PanelContext &context, QWidget *parent)
    : QWidget(parent), m_ctx(context), m_model(new HistoryModel(this))
{
    setObjectName(QStringLiteral("HistoryPanel"));
    makePeriodChoice();
    makeViews();
    makeFileButtons();
    layOut();
    connectControls();
}

void HistoryPanel::makePeriodChoice()
{
    cboRecorder = new QComboBox(this);
    cboRecorder->setObjectName(QStringLiteral("cboRecorder"));
    cboRecorder->setMinimumContentsLength(16);
    const auto dateBox = [this](const QString &name) {
        auto *box = new QDateTimeEdit(this);
        box->setObjectName(name);
        box->setDisplayFormat(Minute);
        box->setCalendarPopup(true);
        return box;
    };
    dtpFrom = dateBox(QStringLiteral("dtpFrom"));
    dtpTo = dateBox(QStringLiteral("dtpTo"));
    const QDateTime now = m_ctx.desktop.now();
    dtpFrom->setDateTime(now.addDays(-DefaultDays));
    dtpTo->setDateTime(now);
    cmdHistoryShow = namedButton(QStringLiteral("cmdHistoryShow"), tr("显示"), this);
    cmdHistoryAll = namedButton(QStringLiteral("cmdHistoryAll"), tr("全部时段"), this);
    cmdArchiveSettings = namedButton(QStringLiteral("cmdArchiveSettings"), tr("存档设置…"), this);
    cmdHistoryShow->setToolTip(tr("读出所选记录仪在这段时间内存档的记录"));
    chkOutOfRange = new QCheckBox(tr("只显示超限记录"), this);
    chkOutOfRange->setObjectName(QStringLiteral("chkOutOfRange"));
    chkOutOfRange->setToolTip(tr("表中只列出有传感器超出其限值的记录（限值在“传感器”页设定）"));
    cmdArchiveSettings->setToolTip(tr("使用本机存档文件或 PostgreSQL 服务器"));
}

void HistoryPanel::makeViews()
{
    tblHistory = new QTableView(this);
    tblHistory->setObjectName(QStringLiteral("tblHistory"));
    tblHistory->setModel(m_model);
    tblHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblHistory->setTabKeyNavigation(false);  // one Tab stop: the arrows walk the cells
    tblHistory->setAccessibleName(tr("历史记录表"));
    tblHistory->verticalHeader()->setDefaultSectionSize(tblHistory->fontMetrics().height() + 6);
    tblHistory->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    lstSensors = new QListWidget(this);
    lstSensors->setObjectName(QStringLiteral("lstSensors"));
    lstSensors->setAccessibleName(tr("曲线显示的传感器"));
    lstSensors->setMaximumWidth(lstSensors->fontMetrics().horizontalAdvance(QStringLiteral("20#传感器")) * 2);
    chart = new RecordChart(this);
    chart->setObjectName(QStringLiteral("chtHistory"));
    chart->setAccessibleName(tr("历史曲线"));
    chart->setClock([this] { return m_ctx.desktop.now(); });
    chart->setMinimumSize(240, 140);  // the splitter may give the table more, down to a small chart
    lblCursor = new ValueLabel(QString(), tr("曲线光标处的值"), this);
    lblCursor->setObjectName(QStringLiteral("lblCursor"));
    lblHistoryState = new ValueLabel(QString(), tr("历史数据状态"), this);
    lblHistoryState->setObjectName(QStringLiteral("lblHistoryState"));
}

void HistoryPanel::makeFileButtons()
{
    cmdExportText = namedButton(QStringLiteral("cmdExportText"), tr("导出文本"), this);
    cmdExportXls = namedButton(QStringLiteral("cmdExportXls"), tr("导出Excel(.xls)"), this);
    cmdExportXlsx = namedButton(QStringLiteral("cmdExportXlsx"), tr("导出Excel(.xlsx)"), this);
    cmdExportCsv = namedButton(QStringLiteral("cmdExportCsv"), tr("导出CSV"), this);
    cmdSavePng = namedButton(QStringLiteral("cmdSavePng"), tr("保存曲线图片"), this);
    cmdSavePdf = namedButton(QStringLiteral("cmdSavePdf"), tr("保存曲线PDF"), this);
    cmdPrint = namedButton(QStringLiteral("cmdPrint"), tr("打印曲线…"), this);
    cmdReport = namedButton(QStringLiteral("cmdReport"), tr("报告…"), this);
    cmdReport->setToolTip(tr("所选记录仪一段时间的报告（PDF）：统计、MKT、超限、记录完整性、曲线和报警"));
    cmdResetZoom = namedButton(QStringLiteral("cmdResetZoom"), tr("复原缩放"), this);
    cmdResetZoom->setToolTip(tr("显示全部时段；在曲线上拖出矩形放大，滚轮缩放，右键拖动平移"));
}

void HistoryPanel::layOut()
{
    auto *choice = new QHBoxLayout;
    auto *recorderCaption = new QLabel(tr("记录仪"), this);
    recorderCaption->setBuddy(cboRecorder);
    choice->addWidget(recorderCaption);
    choice->addWidget(cboRecorder);
    auto *fromCaption = new QLabel(tr("从"), this);
    fromCaption->setBuddy(dtpFrom);
    auto *toCaption = new QLabel(tr("到"), this);
    toCaption->setBuddy(dtpTo);
    for (QWidget *w : std::initializer_list<QWidget *>{fromCaption, dtpFrom, toCaption, dtpTo, cmdHistoryShow, cmdHistoryAll,
                                                       chkOutOfRange})
        choice->addWidget(w);
    choice->addStretch();
    choice->addWidget(cmdArchiveSettings);

    auto *chartSide = new QWidget(this);
    auto *chartGrid = new QGridLayout(chartSide);
    chartGrid->setContentsMargins(0, 0, 0, 0);
    chartGrid->addWidget(chart, 0, 0);
    chartGrid->addWidget(lstSensors, 0, 1);
    chartGrid->addWidget(lblCursor, 1, 0, 1, 2);
    // The table below the chart, as wide as the window: the time and twenty sensors fit side by side.
    splHistory = new QSplitter(Qt::Vertical, this);
    splHistory->setObjectName(QStringLiteral("splHistory"));
    splHistory->addWidget(chartSide);
    splHistory->addWidget(tblHistory);
    splHistory->setChildrenCollapsible(false);
    splHistory->setStretchFactor(0, 2);
    splHistory->setStretchFactor(1, 1);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdExportText, cmdExportXls, cmdExportXlsx, cmdExportCsv})
        buttons->addWidget(b);
    buttons->addSpacing(24);
    for (QPushButton *b : {cmdSavePng, cmdSavePdf, cmdPrint, cmdResetZoom})
        buttons->addWidget(b);
    buttons->addSpacing(24);
    buttons->addWidget(cmdReport);
    buttons->addStretch();

    namePanel = new RecorderNamePanel(m_ctx, this);
    auto *column = new QVBoxLayout(this);
    column->addLayout(choice);
    column->addWidget(namePanel);
    column->addWidget(splHistory, 1);
    column->addWidget(lblHistoryState);
    column->addLayout(buttons);

    setReadingOrder({cboRecorder, dtpFrom, dtpTo, cmdHistoryShow, cmdHistoryAll, chkOutOfRange, cmdArchiveSettings,
                     namePanel, chart, lstSensors, tblHistory, cmdExportText, cmdExportXls, cmdExportXlsx, cmdExportCsv,
                     cmdSavePng, cmdSavePdf, cmdPrint, cmdResetZoom, cmdReport});
}

void HistoryPanel::connectControls()
{
    connect(cboRecorder, &QComboBox::activated, this, [this] { showRecent(); });
    connect(cmdHistoryShow, &QPushButton::clicked, this, [this] { showPeriod(); });
    connect(cmdHistoryAll, &QPushButton::clicked, this, [this] { showWholeSpan(); });
    connect(cmdArchiveSettings, &QPushButton::clicked, this, [this] { editArchiveSettings(); });
    connect(cmdExportText, &QPushButton::clicked, this, [this] { exportPeriod(Format::Text); });
    connect(cmdExportXls, &QPushButton::clicked, this, [this] { exportPeriod(Format::Xls); });
    connect(cmdExportXlsx, &QPushButton::clicked, this, [this] { exportPeriod(Format::Xlsx); });
    connect(cmdExportCsv, &QPushButton::clicked, this, [this] { exportPeriod(Format::Csv); });
    connect(cmdSavePng, &QPushButton::clicked, this, [this] { savePng(); });
    connect(cmdSavePdf, &QPushButton::clicked, this, [this] { savePdf(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { printChart(); });
    connect(cmdReport, &QPushButton::clicked, this, [this] { makeReport(); });
    connect(cmdResetZoom, &QPushButton::clicked, chart, &RecordChart::resetZoom);
    connect(chart, &RecordChart::cursorText, lblCursor, &ValueLabel::setText);
    connect(lstSensors, &QListWidget::itemChanged, this, [this] { drawChart(); });
    // A click on the legend is a click on the sensor's check box.
    connect(chart, &RecordChart::seriesToggled, this, [this](int index, bool shown) {
        const QSignalBlocker quiet(lstSensors);
        lstSensors->item(index)->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    });
    connect(chkOutOfRange, &QCheckBox::toggled, this, [this] { applyFilter(); });
    connect(tblHistory->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { markSelection(); });
    connect(namePanel, &RecorderNamePanel::renamed, this, [this] { refreshRecorders(); });
    if (m_ctx.archive)
        connect(m_ctx.archive, &RecordArchive::stored, this, [this](const QString &recorder) {
            refreshRecorders();
            // Shown again now, or when the tab is next opened.
            m_stale = m_stale || recorder == cboRecorder->currentText();
            if (m_stale && isVisible())
                showRecent();
        });
}

void HistoryPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    namePanel->fillCurrent();
    refreshRecorders();
    if (m_stale || m_recorder != cboRecorder->currentText() || cboRecorder->currentText().isEmpty())
        showRecent();
}

void HistoryPanel::showRecent()
{
    m_stale = false;
    chooseRecorder();
    if (!cboRecorder->currentText().isEmpty()) {
        readPeriod();
    } else if (store()) {
        lblHistoryState->setText(tr("存档中还没有记录：在“记录操作”读取记录后，这里显示记录仪最近 %1 天的记录").arg(DefaultDays));
        chart->setPlaceholder(lblHistoryState->text());
    }
}

archive::RecordStore *HistoryPanel::store()
{
    QString error;
    archive::RecordStore *s = m_ctx.archive ? m_ctx.archive->open(&error) : nullptr;
    if (!s)
        lblHistoryState->setText(tr("存档打不开：%1").arg(error));
    return s;
}

void HistoryPanel::refreshRecorders()
{
    archive::RecordStore *s = store();
    if (!s)
        return;
    const QString chosen = cboRecorder->currentText();
    const QStringList names = s->records().recorders();
    if (names == QStringList([this] {
            QStringList shown;
            for (int i = 0; i < cboRecorder->count(); ++i)
                shown << cboRecorder->itemText(i);
            return shown;
        }()))
        return;
    cboRecorder->clear();
    cboRecorder->addItems(names);
    if (names.contains(chosen))
        cboRecorder->setCurrentText(chosen);
    else if (!names.isEmpty())
        chooseRecorder();
}

void HistoryPanel::chooseRecorder()
{
    archive::RecordStore *s = store();
    if (!s || cboRecorder->currentText().isEmpty())
        return;
    QString error;
    const auto span = s->records().span(cboRecorder->currentText(), &error);
    if (!span)
        return;
    const QDateTime last = minuteTime(span->second);
    dtpTo->setDateTime(last);
    dtpFrom->setDateTime(std::max(minuteTime(span->first), last.addDays(-DefaultDays)));
}

void HistoryPanel::showWholeSpan()
{
    archive::RecordStore *s = store();
    if (!s)
        return;
    QString error;
    if (const auto span = s->records().span(cboRecorder->currentText(), &error)) {
        dtpFrom->setDateTime(minuteTime(span->first));
        dtpTo->setDateTime(minuteTime(span->second));
    }
    showPeriod();
}

void HistoryPanel::showPeriod()
{
    if (!store()) {
        m_ctx.view.showStatus(tr("历史数据：") + lblHistoryState->text());
        return;
    }
    if (cboRecorder->currentText().isEmpty()) {
        m_ctx.view.showStatus(tr("历史数据：存档中还没有记录，请先读取记录"));
        return;
    }
    if (dtpFrom->dateTime() > dtpTo->dateTime()) {
        m_ctx.desktop.message(QStringLiteral("System Information"), tr("“从”的时间晚于“到”的时间，请改正时段。"),
                              Desktop::Icon::Warning);
        return;
    }
    readPeriod();
    m_ctx.view.showStatus(tr("历史数据：") + lblHistoryState->text());
}

void HistoryPanel::readPeriod()
{
    archive::RecordStore *s = store();
    if (!s)
        return;
    const QString recorder = cboRecorder->currentText();
    QString error;
    QList<archive::StoredRecord> records = s->records().period(recorder, dtpFrom->dateTime(), dtpTo->dateTime(), &error);
    if (!error.isEmpty()) {
        lblHistoryState->setText(error);
        return;
    }
    m_model->setPeriod(nullptr);
    m_records = std::move(records);
    m_recorder = recorder;
    m_period = view::periodView(m_records);
    applyFilter();
    fitColumns();
    showSensors();
    chart->setHeading(recorder, dtpFrom->dateTime().toMSecsSinceEpoch(), dtpTo->dateTime().toMSecsSinceEpoch());
    chart->setPlaceholder(tr("所选时段没有记录"));
    chart->resetZoom();
    QString state = tr("%1：%2 至 %3，共 %4 条记录")
                        .arg(recorder, dtpFrom->dateTime().toString(Minute), dtpTo->dateTime().toString(Minute))
                        .arg(m_period.rows.size());
    if (m_period.intervalS > 0)
        state += tr("，记录间隔 %1").arg(recordSpacing(m_period.intervalS));
    if (m_period.skipped > 0)
        state += tr("（%1 条记录的时间不是有效日期，未显示）").arg(m_period.skipped);
    lblHistoryState->setText(state);
}

void HistoryPanel::fitColumns()
{
    QHeaderView *header = tblHistory->horizontalHeader();
    const QFontMetrics metrics = tblHistory->fontMetrics();
    const int padding = 2 * tblHistory->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tblHistory) + 12;
    header->resizeSection(0, std::max(metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00")) + padding,
                                      header->sectionSizeHint(0)));
    // A sensor's column as wide as a value, or its share of the table: its name wraps to that.
    const int sensors = std::max(1, m_model->columnCount() - 1);
    const int bar = tblHistory->verticalScrollBar()->isVisible() ? 0 : tblHistory->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int share = (tblHistory->viewport()->width() - bar - header->sectionSize(0)) / sensors;
    const int value = std::max(metrics.horizontalAdvance(QStringLiteral("-888.8")), share - padding) + padding;
    const int headerMargins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
    m_model->setHeaderLine((value - headerMargins) / std::max(1, metrics.horizontalAdvance(QStringLiteral("中"))));
    for (int c = 1; c < m_model->columnCount(); ++c)
        header->resizeSection(c, std::max(value, header->sectionSizeHint(c)));
}

sensors::Sensor HistoryPanel::sensorOf(int index) const
{
    return m_ctx.archive ? m_ctx.archive->sensors().sensor(m_recorder, index + 1) : sensors::Sensor{};
}

QString HistoryPanel::sensorCaption(int index) const
{
    // Not displayName(): its default name is the one the exports write, in Chinese. A name under its
    // number, as the table heads the column: two sensors whose long names start alike stay apart.
    const QString name = sensorOf(index).name;
    return name.isEmpty() ? HistoryModel::sensorName(index) : QStringLiteral("%1# %2").arg(index + 1).arg(name);
}

QStringList HistoryPanel::namedColumns() const
{
    QStringList names;
    for (int s = 0; s < sensors::MaxSensor; ++s)
        names << (m_ctx.archive ? m_ctx.archive->sensors().sensor(m_recorder, s + 1).name : QString());
    return names;
}

void HistoryPanel::applySensors()
{
    applyFilter();
    showSensors();
}

void HistoryPanel::applyFilter()
{
    QVector<sensors::Sensor> shown;
    for (int s = 0; s < m_period.sensors; ++s)
        shown << sensorOf(s);
    std::optional<QVector<int>> rows;
    if (chkOutOfRange->isChecked() && m_ctx.archive) {
        rows.emplace();
        for (int r = 0; r < m_period.rows.size(); ++r)
            if (!m_ctx.archive->sensors().outOfRange(m_recorder, m_period.rows[r].tenths).isEmpty())
                rows->append(r);
    }
    m_model->setPeriod(&m_period, std::move(rows));
    m_model->setSensors(shown);
    markSelection();
}

void HistoryPanel::showSensors()
{
    // The choice of sensors stays across periods; new sensors start shown.
    QVector<bool> shown;
    for (int i = 0; i < lstSensors->count(); ++i)
        shown << (lstSensors->item(i)->checkState() == Qt::Checked);
    const QSignalBlocker quiet(lstSensors);
    lstSensors->clear();
    for (int s = 0; s < m_period.sensors; ++s) {
        auto *item = new QListWidgetItem(sensorCaption(s), lstSensors);
        QPixmap colour(12, 12);
        colour.fill(report::sensorColour(s));  // the list is the chart's key too
        item->setIcon(colour);
        item->setToolTip(sensorCaption(s));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(s < shown.size() && !shown[s] ? Qt::Unchecked : Qt::Checked);
    }
    drawChart();
}

void HistoryPanel::drawChart()
{
    QVector<RecordChart::ChartSeries> series;
    for (int s = 0; s < m_period.sensors && s < lstSensors->count(); ++s)
        series.append({sensorCaption(s), m_period.series[s], sensorOf(s).low, sensorOf(s).high,
                       lstSensors->item(s)->checkState() == Qt::Checked, sensorOf(s).unit});
    chart->setSeries(series, true);
    markSelection();
}

void HistoryPanel::markSelection()
{
    QVector<qint64> marks;
    for (const QModelIndex &row : tblHistory->selectionModel()->selectedRows()) {
        if (marks.size() >= MaxMarks)
            break;
        marks.append(m_period.rows[m_model->periodRow(row.row())].time.toMSecsSinceEpoch());
    }
    chart->setMarks(marks);
}

void HistoryPanel::editArchiveSettings()
{
    if (!m_ctx.archive)
        return;
    const archive::ArchiveConfig before = m_ctx.archive->config();
    const auto chosen = m_ctx.desktop.editArchive(before);
    if (!chosen)
        return;
    m_ctx.archive->useConfig(*chosen);
    // Said in the archive written from now on.
    if (const QString was = archive::settingsLine(before), is = archive::settingsLine(*chosen); was != is)
        m_ctx.archive->audit({{}, QLatin1String(archive::kinds::ArchiveSettings), was, is});
    m_records.clear();
    m_period = {};
    m_model->setPeriod(&m_period);
    showSensors();
    cboRecorder->clear();
    refreshRecorders();
    const bool server = chosen->kind == archive::ArchiveConfig::Postgres;
    m_ctx.view.showStatus(server ? tr("存档：PostgreSQL %1@%2:%3/%4").arg(chosen->user, chosen->host)
                                       .arg(chosen->port).arg(chosen->database)
                                 : tr("存档：本机文件 %1").arg(chosen->sqlitePath));
}
