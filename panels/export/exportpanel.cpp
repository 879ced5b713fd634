#include "panels/export/exportpanel.h"
#include "ui/desktop.h"
#include "ui/filechoice.h"
#include "core/files/safefile.h"
#include "core/export/exportformats.h"
#include "core/link/convert.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>

namespace {
const char *const kPrompt = QT_TRANSLATE_NOOP("ExportPanel", "系统提示");
} // namespace

QString workbookPath(const QString &appDir, const QDateTime &now)
{
    const QString base = QStringLiteral("%1/data/%2-%3-%4-%5")
                             .arg(appDir)
                             .arg(now.date().month())
                             .arg(now.date().day())
                             .arg(now.time().hour())
                             .arg(now.time().minute());
    QString path = base + QStringLiteral(".xls");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral("(%1).xls").arg(n);
    return path;
}

ExportPanel::ExportPanel(Desktop &desktop, ExportSource &source, QWidget *parent)
    : QWidget(parent), m_desktop(desktop), m_src(source)
{
    cmdExportText = new QPushButton(tr("导出数据为记事本TXT"), this);
    cmdExportText->setObjectName(QStringLiteral("cmdDoWithData2"));
    cmdExportXls = new QPushButton(tr("导出数据为EXCEL表格"), this);
    cmdExportXls->setObjectName(QStringLiteral("cmdDoWithData"));
    cmdExportCsv = new QPushButton(tr("导出数据为CSV"), this);
    cmdExportCsv->setObjectName(QStringLiteral("cmdDoWithDataCsv"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(cmdExportText);
    row->addWidget(cmdExportXls);
    row->addWidget(cmdExportCsv);
    connect(cmdExportText, &QPushButton::clicked, this, [this] { exportText(); });
    connect(cmdExportXls, &QPushButton::clicked, this, [this] { exportWorkbook(); });
    connect(cmdExportCsv, &QPushButton::clicked, this, [this] { exportCsv(); });
}

void ExportPanel::exportText() { runExport(Format::Text); }
void ExportPanel::exportWorkbook() { runExport(Format::Workbook); }
void ExportPanel::exportCsv() { runExport(Format::Csv); }

void ExportPanel::runExport(Format format)
{
    const QString appDir = m_desktop.appDir();
    if (format == Format::Workbook && QFileInfo::exists(appDir + QStringLiteral("/excel.bz"))) {
        m_desktop.message(tr(kPrompt), tr("EXCEL已打开"), Desktop::Icon::None);
        return;
    }
    if (!m_src.hasRecords()) {
        m_desktop.message(tr(kPrompt), tr("数据源为空，请先读取记录仪数据!"), Desktop::Icon::None);
        return;
    }
    const auto bound = exports::recordBound(m_src.countText());
    const auto sensors = convert::toWhole(m_src.sensorText(), 0, 125);
    if (!bound || !sensors) {
        const bool badCount = !bound;
        m_desktop.message(tr(kPrompt),
                          tr("“%1”中的“%2”不是有效的数字，导出未进行。")
                              .arg(badCount ? tr("条数") : tr("传感器总数"),
                                   badCount ? m_src.countText() : m_src.sensorText()),
                          Desktop::Icon::Warning);
        return;
    }

    QString path;
    const QString name = tr("记录_%1").arg(m_desktop.now().toString(QStringLiteral("yyyy-MM-dd_HHmm")));
    switch (format) {
    case Format::Text:
        path = askSaveName(m_desktop, tr("导出数据为记事本TXT"), appDir + QStringLiteral("/txt"), QStringLiteral("txt"), name);
        break;
    case Format::Csv:
        path = askSaveName(m_desktop, tr("导出数据为CSV"), appDir + QStringLiteral("/data"), QStringLiteral("csv"), name);
        break;
    case Format::Workbook:
        makeFolderPath(appDir + QStringLiteral("/data"));
        path = workbookPath(appDir, m_desktop.now());
        break;
    }
    if (path.isEmpty())
        return;

    m_src.showExportStarted();
    QCoreApplication::processEvents();  // let the panel show before the work

    const records::RecordText text = m_src.exportRecords(int(*sensors));
    const QList<records::Record> &recs = text.records;
    m_src.showExportTotal(int(recs.size()));

    QString error;
    bool ok = false;
    if (format == Format::Workbook)
        ok = xls::writeWorkbook(path, exports::workbookSheet(recs, *bound), &error);
    else
        ok = safefile::writeWhole(path, format == Format::Text ? exports::textFile(recs, *bound)
                                                               : exports::csvFile(recs, *bound), &error);
    // The last record written shows as the line being produced.
    const int last = exports::lastWritten(recs, *bound);
    m_src.showExportEnded(last, last > 0 ? exports::progressLine(recs[last - 1], format == Format::Workbook) : QString());

    const QString shown = QDir::toNativeSeparators(path);
    if (!ok) {
        // The workbook writer's text already names the file.
        const QString why = format == Format::Workbook ? error : tr("无法写入 %1：%2").arg(shown, error);
        m_desktop.say(why);
        m_desktop.message(tr(kPrompt), why, Desktop::Icon::Warning);
        return;
    }
    emit exported(path);
    const QStringList problems = records::unreadableMessages(text, *bound);
    if (!problems.isEmpty())
        m_desktop.message(tr(kPrompt),
                          tr("已导出到 %1，但以下记录未导出：\n").arg(QDir::toNativeSeparators(path))
                              + problems.join(QLatin1Char('\n')),
                          Desktop::Icon::Warning);
    const bool opened = m_desktop.openFile(path, format == Format::Text ? Desktop::Opener::TextEditor : Desktop::Opener::Spreadsheet);
    m_desktop.say(opened ? tr("已导出到 %1").arg(shown) : tr("已导出到 %1（本机没有能打开此类文件的程序，文件已写好）").arg(shown));
}
