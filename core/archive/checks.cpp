#include "core/archive/checks.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>

namespace archive {

std::optional<chain::Verdict> Checks::verify(QString *error, const QList<chain::Anchor> &anchors) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    return chain::verify(m_c.db(), error, anchors);
}

std::optional<QString> Checks::archiveId(QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlQuery q(m_c.db());
    if (!q.exec(QStringLiteral("SELECT id FROM archive_identity")) || !q.next()) {
        *error = sql::describe(m_c.db(), QCoreApplication::translate("archive", "读不出存档的标识"), q.lastError());
        return std::nullopt;
    }
    return q.value(0).toString();
}

std::optional<QList<ChainTip>> Checks::tips(QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlQuery q(m_c.db());
    if (!q.exec(QStringLiteral("SELECT tbl, recorder, rows, hash FROM chain_tips ORDER BY tbl, recorder"))) {
        *error = sql::describe(m_c.db(), QCoreApplication::translate("archive", "读不出存档的链尾"), q.lastError());
        return std::nullopt;
    }
    QList<ChainTip> all;
    while (q.next())
        all << ChainTip{q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong(), q.value(3).toString()};
    return all;
}

bool Checks::copyInto(const QString &file, QString *error) const
{
    if (!m_c.ready(error))
        return false;
    QSqlDatabase db = m_c.db();
    if (m_c.postgres()) {
        *error = QCoreApplication::translate("archive", "存档没有打开");
        return false;
    }
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("VACUUM INTO ?")) || (q.addBindValue(file), !q.exec())) {
        // The copy's disk, not the archive's, is the one that is full.
        constexpr int Full = 13;
        *error = (q.lastError().nativeErrorCode().toInt() & 0xFF) == Full
                     ? QCoreApplication::translate("archive", "磁盘已满，备份 %1 写不进去；请在备份文件夹所在的磁盘上腾出空间").arg(file)
                     : sql::describe(db, QCoreApplication::translate("archive", "存档没有复制"), q.lastError());
        return false;
    }
    return true;
}

} // namespace archive
