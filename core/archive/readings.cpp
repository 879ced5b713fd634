#include "core/archive/readings.h"
#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>
#include <cmath>

namespace archive {

bool Readings::store(const QList<Reading> &readings, QString *error)
{
    if (!m_c.ready(error))
        return false;
    const QString failed = QCoreApplication::translate("archive", "读数没有存进存档");
    if (!m_c.begin(error, failed))
        return false;
    chain::Writer chain(m_c.db());
    bool ok = true;
    const chain::Table &table = chain::table("readings");
    for (const Reading &r : readings) {
        const QString taken = sql::utcText(r.taken);
        for (qsizetype k = 0; ok && k < r.tenths.size(); ++k) {
            const QVariant value = r.tenths[k] ? QVariant(*r.tenths[k] / 10.0) : QVariant(QMetaType::fromType<double>());
            ok = chain.append(table, {r.recorder, int(r.address), int(k + 1), taken, value}, error, true).has_value();
        }
    }
    if (!ok || !chain.finish(error)) {
        m_c.rollback();
        return false;
    }
    return m_c.commit(error, failed);
}

std::optional<QList<Readings::Value>> Readings::of(const QString &recorder, const QDateTime &from, const QDateTime &to,
                                                   QString *error) const
{
    if (!m_c.ready(error))
        return std::nullopt;
    QSqlDatabase db = m_c.db();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT taken, sensor, value FROM readings WHERE recorder = ? AND taken >= ? AND taken < ?"
                             " AND value IS NOT NULL ORDER BY taken, sensor"));
    for (const QVariant &v : QVariantList{recorder, sql::utcText(from), sql::utcText(to)})
        q.addBindValue(v);
    if (!q.exec()) {
        *error = sql::describe(db, QCoreApplication::translate("archive", "读不出存档的读数"), q.lastError());
        return std::nullopt;
    }
    QList<Value> out;
    while (q.next())
        out.append({sql::timeOf(q.value(0)), q.value(1).toInt(), int(std::lround(q.value(2).toDouble() * 10))});
    return out;
}

} // namespace archive
