#include "core/archive/checks.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>

namespace archive {

std::optional<chain::Verdict> Checks::verify(QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    return chain::verify(m_c.db(), error);
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
        *error = sql::describe(db, QCoreApplication::translate("archive", "存档没有复制"), q.lastError());
        return false;
    }
    return true;
}

} // namespace archive
