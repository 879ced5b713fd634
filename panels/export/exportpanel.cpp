#include "panels/export/exportpanel.h"
#include "ui/desktop.h"
#include "ui/filechoice.h"
#include "ui/valuelabel.h"
#include "core/files/safefile.h"
#include "core/export/exportformats.h"
#include "core/export/recordparser.h"
#include "core/link/convert.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

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

ExportPanel::ExportPanel(Desktop &desktop, const ExportSources &sources, QWidget *parent)
    : QWidget(parent), m_desktop(desktop), m_src(sources)
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
    const QString text = m_src.txtReceive->toPlainText();
    if (text.trimmed().isEmpty()) {
        m_desktop.message(tr(kPrompt), tr("数据源为空，请先读取记录仪数据!"), Desktop::Icon::None);
        return;
    }
    const auto bound = records::recordBound(m_src.txtRecord->text());
    const auto sensors = convert::toWhole(m_src.txtSensorNum->text(), 0, 125);
    if (!bound || !sensors) {
        const bool badCount = !bound;
        m_desktop.message(tr(kPrompt),
                          tr("“%1”中的“%2”不是有效的数字，导出未进行。")
                              .arg(badCount ? tr("条数") : tr("传感器总数"),
                                   badCount ? m_src.txtRecord->text() : m_src.txtSensorNum->text()),
                          Desktop::Icon::Warning);
        return;
    }

    QString path;
    switch (format) {
    case Format::Text:
        path = askSaveName(m_desktop, tr("导出数据为记事本TXT"), appDir + QStringLiteral("/txt"), QStringLiteral("txt"));
        break;
    case Format::Csv:
        path = askSaveName(m_desktop, tr("导出数据为CSV"), appDir + QStringLiteral("/data"), QStringLiteral("csv"));
        break;
    case Format::Workbook:
        makeFolderPath(appDir + QStringLiteral("/data"));
        path = workbookPath(appDir, m_desktop.now());
        break;
    }
    if (path.isEmpty())
        return;

    m_src.txtDecoded->clear();
    m_src.progressPanel->setVisible(true);
    m_src.lblActivity->setText(tr("正在处理"));
    m_src.lblCurrentRecord->setText(QStringLiteral("1"));
    QCoreApplication::processEvents();  // let the panel show before the work

    const QVector<records::ParsedRecord> recs = records::parseRecords(text, int(*sensors));
    m_src.lblRecordTotal->setText(tr("共%1条").arg(recs.size()));
    int last = -1;  // the last record written, shown as the line being produced
    for (int i = 0; i < recs.size(); ++i)
        if ((*bound <= 0 || recs[i].position <= *bound) && recs[i].readable)
            last = i;

    QString error;
    bool ok = false;
    if (format == Format::Workbook)
        ok = xls::writeWorkbook(path, exports::workbookSheet(recs, *bound), &error);
    else
        ok = safefile::writeWhole(path, format == Format::Text ? exports::textFile(recs, *bound)
                                                               : exports::csvFile(recs, *bound), &error);

    if (last >= 0) {
        m_src.lblCurrentRecord->setText(QString::number(recs[last].position));
        QString line = recs[last].timeText + QLatin1Char(' ');
        for (int v : recs[last].tenths)
            line += (format == Format::Workbook ? records::formatTenthsTwoDecimals(v) : convert::tenthsText(v)) + QLatin1Char(' ');
        m_src.txtDecoded->setPlainText(line);
    }
    m_src.progressPanel->setVisible(false);

    if (!ok) {
        // The workbook writer's text already names the file.
        m_desktop.message(tr(kPrompt),
                          format == Format::Workbook
                              ? error
                              : tr("无法写入 %1：%2").arg(QDir::toNativeSeparators(path), error),
                          Desktop::Icon::Warning);
        return;
    }
    const QStringList problems = exports::problems(recs, *bound);
    if (!problems.isEmpty())
        m_desktop.message(tr(kPrompt),
                          tr("已导出到 %1，但以下记录未导出：\n").arg(QDir::toNativeSeparators(path))
                              + problems.join(QLatin1Char('\n')),
                          Desktop::Icon::Warning);
    m_desktop.openFile(path, format == Format::Text ? Desktop::Opener::TextEditor : Desktop::Opener::Spreadsheet);
}
