#include "core/archive/watchers.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>

namespace archive {

bool Watchers::beat(const WatcherBeat &beat, QString *error)
{
    if (!m_c.ready(error))
        return false;
    QSqlDatabase db = m_c.db();
    return sql::execEach(db, QStringLiteral("INSERT INTO watchers (host, beat, lines) VALUES (?, ?, ?) ON CONFLICT (host)"
                                            " DO UPDATE SET beat = excluded.beat, lines = excluded.lines"),
                         {{beat.host, sql::utcText(beat.beat), beat.lines}}, error);
}

std::optional<WatcherBeat> Watchers::last(QString *error) const
{
    return select(QStringLiteral("1 = 1"), {}, error);
}

std::optional<WatcherBeat> Watchers::of(const QString &host, QString *error) const
{
    return select(QStringLiteral("host = ?"), {host}, error);
}

std::optional<WatcherBeat> Watchers::select(const QString &where, const QVariantList &values, QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT host, beat, lines FROM watchers WHERE %1 ORDER BY beat DESC LIMIT 1").arg(where));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档的报警"), q.lastError());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    return WatcherBeat{q.value(0).toString(), sql::timeOf(q.value(1)), q.value(2).toString()};
}

} // namespace archive
