#include "collect/outputs.h"
#include "core/export/exportformats.h"
#include "core/export/periodexport.h"
#include "core/files/safefile.h"
#include <QFileInfo>

namespace collect {

QString partialPath(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    return path.left(path.size() - suffix.size()) + QStringLiteral(".partial") + suffix;
}

Written writeFiles(const QList<records::Record> &records, int sensors, const QMap<QString, QString> &files, bool partial,
                   const QStringList &names)
{
    Written w;
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = partial ? partialPath(it.value()) : it.value();
        QString why;
        bool ok = false;
        if (it.key() == QLatin1String("xls")) {
            if (!exports::fitsXls(records.size()))
                why = exports::xlsTooManyRecords(records.size());
            else
                ok = xls::writeWorkbook(path, exports::workbookSheet(records, 0, std::min(sensors, 20)), &why);
        } else {
            const QByteArray content = it.key() == QLatin1String("csv") ? exports::csvFile(records, 0, std::min(sensors, 20), names)
                                                                        : exports::textFile(records, 0);
            ok = safefile::writeWhole(path, content, &why);
        }
        if (ok) {
            w.files.insert(it.key(), path);
        } else {
            w.failed.insert(it.key(), path);
            w.problems << QStringLiteral("--%1：未能写入 %2：%3").arg(it.key(), path, why);
        }
    }
    return w;
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
