#include "collect/outputs.h"
#include "core/export/exportformats.h"
#include "core/export/periodexport.h"
#include "core/link/hex.h"
#include "core/settings/safefile.h"

namespace collect {

bool writeFiles(const QList<QByteArray> &records, int sensors, const QMap<QString, QString> &files,
                QMap<QString, QString> *written, QString *error, const QStringList &names)
{
    if (files.isEmpty())
        return true;
    // The writers read records as the records tab's received text holds them.
    QString text;
    for (const QByteArray &r : records)
        text += ShowHex(r);
    const QVector<records::ParsedRecord> parsed = records::parseRecords(text, sensors);
    for (auto it = files.begin(); it != files.end(); ++it) {
        QString why;
        bool ok = false;
        if (it.key() == QLatin1String("xls")) {
            if (!exports::fitsXls(parsed.size()))
                why = exports::xlsTooManyRecords(parsed.size());
            else
                ok = xls::writeWorkbook(it.value(), exports::workbookSheet(parsed, 0, std::min(sensors, 20)), &why);
        } else {
            const QByteArray content = it.key() == QLatin1String("csv") ? exports::csvFile(parsed, 0, std::min(sensors, 20), names)
                                                                        : exports::textFile(parsed, 0);
            ok = safefile::writeWhole(it.value(), content, &why);
        }
        if (!ok) {
            *error = QStringLiteral("--%1：未能写入 %2：%3").arg(it.key(), it.value(), why);
            return false;
        }
        written->insert(it.key(), it.value());
    }
    return true;
}

void Progress::update(int done, int total)
{
    if (total <= 0)
        return;
    done = std::min(done, total);
    if (m_io.errTerminal) {
        if (m_clock.elapsed() - m_drawnAt < 100 && done < total)
            return;  // the eye takes ten pictures a second
        m_drawnAt = m_clock.elapsed();
        constexpr int Width = 30;
        const int filled = int(qint64(done) * Width / total);
        m_io.err(QStringLiteral("\r%1 [%2%3] %4/%5")
                     .arg(m_label, QString(filled, QLatin1Char('#')), QString(Width - filled, QLatin1Char('-')))
                     .arg(done).arg(total));
        m_drawn = true;
        return;
    }
    const int tenth = int(qint64(done) * 10 / total);
    if (tenth == m_tenth)
        return;
    m_tenth = tenth;
    m_io.err(QStringLiteral("%1：%2/%3 条\n").arg(m_label).arg(done).arg(total));
}

void Progress::finish()
{
    if (m_drawn)
        m_io.err(QStringLiteral("\n"));
    m_drawn = false;
}

} // namespace collect
