#include "core/archive/audit.h"
#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>
#include <pwd.h>
#include <unistd.h>

namespace archive {

namespace {
QString osUser()
{
    if (const passwd *pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER", QStringLiteral("uid %1").arg(::geteuid()));
}
} // namespace

QVariantList auditValues(const AuditEntry &e, Program program)
{
    return {QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")), osUser(),
            programWord(program), e.recorder.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(e.recorder),
            e.kind, e.oldValue, e.newValue};
}

bool Audit::append(const AuditEntry &entry, QString *error)
{
    if (!m_c.ready(error))
        return false;
    const QString failed = QCoreApplication::translate("archive", "审计记录没有写进存档");
    if (!m_c.begin(error, failed))
        return false;
    chain::Writer w(m_c.db());
    if (!w.append(chain::table("audit"), auditValues(entry, m_c.program()), error) || !w.finish(error)) {
        m_c.rollback();
        return false;
    }
    return m_c.commit(error, failed);
}

namespace {
// The rows of a query of the trail's columns (seq, at, os_user, program, recorder, kind, old_value,
// new_value) with its values bound; nothing and *error when it fails.
std::optional<QList<AuditRow>> rowsOf(QSqlDatabase db, const QString &where, const QVariantList &values, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT seq, at, os_user, program, recorder, kind, old_value, new_value FROM audit") + where);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        *error = sql::describe(db, sql::cannotRead(), q.lastError());
        return std::nullopt;
    }
    QList<AuditRow> rows;
    while (q.next())
        rows.append({q.value(0).toLongLong(), sql::timeOf(q.value(1)), q.value(2).toString(), q.value(3).toString(),
                     q.value(4).toString(), q.value(5).toString(), q.value(6).toString(), q.value(7).toString()});
    return rows;
}
} // namespace

std::optional<QList<AuditRow>> Audit::trail(QString *error, const QString &kind) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    return kind.isEmpty() ? rowsOf(m_c.db(), QStringLiteral(" ORDER BY seq"), {}, error)
                          : rowsOf(m_c.db(), QStringLiteral(" WHERE kind = ? ORDER BY seq"), {kind}, error);
}

bool Audit::latest(const QString &kind, const QString &prefix, std::optional<AuditRow> *row, QString *error) const
{
    if (!m_c.ready(error))
        return false;
    const auto rows = rowsOf(m_c.db(), QStringLiteral(" WHERE kind = ? AND substr(new_value, 1, ?) = ? ORDER BY seq DESC LIMIT 1"),
                             {kind, int(prefix.size()), prefix}, error);
    if (!rows)
        return false;
    *row = rows->isEmpty() ? std::nullopt : std::optional<AuditRow>(rows->first());
    return true;
}

std::optional<bool> Audit::change(const QString &kind, const QString &line, QString *error)
{
    const auto earlier = trail(error, kind);
    if (!earlier)
        return std::nullopt;
    const QString last = earlier->isEmpty() ? QString() : earlier->last().newValue;
    if (last == line)
        return false;
    if (!append({{}, kind, last, line}, error))
        return std::nullopt;
    return true;
}

} // namespace archive
