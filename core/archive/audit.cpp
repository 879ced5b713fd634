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

std::optional<QList<AuditRow>> Audit::trail(QString *error, const QString &kind) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT seq, at, os_user, program, recorder, kind, old_value, new_value FROM audit%1 ORDER BY seq")
                  .arg(kind.isEmpty() ? QString() : QStringLiteral(" WHERE kind = ?")));
    if (!kind.isEmpty())
        q.addBindValue(kind);
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
