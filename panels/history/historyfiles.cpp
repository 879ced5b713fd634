// The history tab's files: the period exported, the chart saved or printed, the period's report, each
// named after the recorder and the period, each confirmed on the status line.
#include "panels/history/historypanel.h"
#include "panels/history/recordchart.h"
#include "core/export/exportformats.h"
#include "core/export/periodexport.h"
#include "core/export/xlsworkbook.h"
#include "core/export/xlsxworkbook.h"
#include "core/files/safefile.h"
#include "panels/report/reportdialog.h"
#include "core/report/reportpdf.h"
#include "ui/recordarchive.h"
#include "ui/translation.h"
#include "ui/valuelabel.h"
#include "ui/desktop.h"
#include "ui/filechoice.h"
#include "ui/panelcontext.h"
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QPrinter>
#include <QRegularExpression>

namespace {
// A recorder's name as part of a file name: no folder separators or characters Windows refuses.
QString fileNamePart(QString text)
{
    static const QRegularExpression refused(QStringLiteral("[\\\\/:*?\"<>|\\s]+"));
    return text.replace(refused, QStringLiteral("-"));
}
} // namespace

QString HistoryPanel::askName(const QString &title, const QString &suffix, QDate from, QDate to, const QString &what)
{
    const QString recorder = m_recorder.isEmpty() ? cboRecorder->currentText() : m_recorder;
    const QString name = recorder.isEmpty() ? QString()
                                            : (what.isEmpty() ? QString() : what + QLatin1Char('_'))
                                                  + QStringLiteral("%1_%2_%3").arg(fileNamePart(recorder),
                                                                            (from.isValid() ? from : dtpFrom->date()).toString(Qt::ISODate),
                                                                            (to.isValid() ? to : dtpTo->date()).toString(Qt::ISODate));
    return askSaveName(m_ctx.desktop, title, m_ctx.desktop.appDir() + QStringLiteral("/history"), suffix, name);
}

void HistoryPanel::exportPeriod(Format format)
{
    if (m_records.isEmpty()) {
        m_ctx.view.showStatus(tr("导出：没有显示任何记录，请先选择记录仪和时段并按“显示”"));
        return;
    }
    if (format == Format::Xls && !exports::fitsXls(m_records.size())) {
        m_ctx.desktop.message(QStringLiteral("System Information"), exports::xlsTooManyRecords(m_records.size()),
                              Desktop::Icon::Warning);
        return;
    }
    static const struct { const char *title; const char *suffix; } kinds[] = {
        {QT_TR_NOOP("导出时段为文本"), "txt"},
        {QT_TR_NOOP("导出时段为Excel(.xls)"), "xls"},
        {QT_TR_NOOP("导出时段为Excel(.xlsx)"), "xlsx"},
        {QT_TR_NOOP("导出时段为CSV"), "csv"}};
    const auto &kind = kinds[int(format)];
    const QString path = askName(tr(kind.title), QString::fromLatin1(kind.suffix));
    if (path.isEmpty())
        return;
    const QList<records::Record> recs = exports::periodRecords(m_records);
    QString error;
    bool ok = false;
    switch (format) {
    case Format::Text: ok = safefile::writeWhole(path, exports::textFile(recs, 0), &error); break;
    case Format::Csv: ok = safefile::writeWhole(path, exports::csvFile(recs, 0, 20, namedColumns()), &error); break;
    case Format::Xls: ok = xls::writeWorkbook(path, exports::workbookSheet(recs, 0, 20, m_recorder), &error); break;
    case Format::Xlsx: ok = xlsx::writeWorkbook(path, exports::workbookSheet(recs, 0, 20, m_recorder), &error); break;
    }
    if (!ok) {
        m_ctx.view.showStatus(tr("导出失败：%1").arg(error));
        m_ctx.desktop.message(QStringLiteral("System Information"), tr("导出失败：%1").arg(error),
                              Desktop::Icon::Warning);
        return;
    }
    m_ctx.view.showStatus(tr("已导出 %1 条记录到 %2").arg(m_records.size()).arg(path));
    if (m_ctx.archive)
        m_ctx.archive->auditFile(archive::kinds::Export, path, m_recorder);
}

void HistoryPanel::saveChart(const QString &title, const QString &suffix,
                             bool (RecordChart::*save)(const QString &, QString *))
{
    const QString path = askName(title, suffix);
    if (path.isEmpty())
        return;
    QString error;
    if (!(chart->*save)(path, &error)) {
        m_ctx.view.showStatus(error);
        m_ctx.desktop.message(QStringLiteral("System Information"), error, Desktop::Icon::Warning);
    } else {
        m_ctx.view.showStatus(tr("曲线已保存到 %1").arg(path));
        if (m_ctx.archive)
            m_ctx.archive->auditFile(archive::kinds::Export, path, m_recorder);
    }
}

void HistoryPanel::savePng()
{
    saveChart(tr("保存曲线图片"), QStringLiteral("png"), &RecordChart::savePng);
}

void HistoryPanel::savePdf()
{
    saveChart(tr("保存曲线PDF"), QStringLiteral("pdf"), &RecordChart::savePdf);
}

void HistoryPanel::printChart()
{
    QString error, file;
    bool ok = false;
    if (!m_ctx.desktop.print(tr("打印曲线"), [&](QPrinter *printer) {
            file = printer->outputFileName();
            ok = chart->print(printer, &error);
        }))
        return;
    if (!ok)
        m_ctx.view.showStatus(file.isEmpty() ? tr("打印失败：%1").arg(error) : tr("曲线未能打印到 %1：%2").arg(file, error));
    else
        m_ctx.view.showStatus(file.isEmpty() ? tr("曲线已送往打印机") : tr("曲线已打印到 %1").arg(file));
}


void HistoryPanel::makeReport()
{
    const QString recorder = cboRecorder->currentText();
    if (recorder.isEmpty()) {
        m_ctx.view.showStatus(tr("报告：存档中还没有记录，请先读取记录"));
        return;
    }
    auto *dialog = new ReportDialog(dtpFrom->dateTime(), dtpTo->dateTime(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog, recorder] { writeReport(recorder, dialog->from(), dialog->to(), dialog->dhR()); });
    dialog->open();
}

void HistoryPanel::writeReport(const QString &recorder, const QDateTime &from, const QDateTime &to, double dhR)
{
    archive::RecordStore *s = store();
    if (!s) {
        m_ctx.view.showStatus(tr("报告：") + lblHistoryState->text());
        return;
    }
    // Its own name: saving it never offers to replace the chart's PDF of the same period.
    const QString path = askName(tr("保存报告"), QStringLiteral("pdf"), from.date(), to.date(), tr("报告"));
    if (path.isEmpty())
        return;
    const report::Request request{recorder, 0, {}, from, to, dhR, m_ctx.desktop.now(), report::osUser(),
                                  QCoreApplication::applicationVersion(), translation::current()};
    QString error;
    if (!report::writeReport(*s, m_ctx.archive->sensors(), request, path, &error)) {
        m_ctx.view.showStatus(error);
        m_ctx.desktop.message(QStringLiteral("System Information"), error, Desktop::Icon::Warning);
        return;
    }
    m_ctx.view.showStatus(tr("报告已保存到 %1").arg(path));
    m_ctx.archive->auditFile(archive::kinds::Report, path, recorder);
}
