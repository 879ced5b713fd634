#include "core/archive/renamings.h"
#include "core/archive/audit.h"
#include "core/archive/sqlstatements.h"
#include <QSet>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <limits>

namespace archive::renamings {

namespace {
struct Renaming {
    qint64 seq;
    QString from, to;
};

// The name a row stored under raw shows, when it came before all renamings from the first-th on.
QString shown(const QList<Renaming> &renamings, qsizetype first, QString raw)
{
    for (qsizetype i = first; i < renamings.size(); ++i)
        if (raw == renamings[i].from)
            raw = renamings[i].to;
    return raw;
}

std::optional<QList<Renaming>> renamings(QSqlDatabase db, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT seq, old_value, new_value FROM audit WHERE kind = ? ORDER BY seq"));
    q.addBindValue(QString::fromLatin1(kinds::RenameRecords));
    if (!q.exec()) {
        *error = sql::describe(db, sql::cannotRead(), q.lastError());
        return std::nullopt;
    }
    QList<Renaming> list;
    while (q.next())
        list.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    return list;
}

constexpr qint64 Before = -1, After = std::numeric_limits<qint64>::max();

// The seqs between the j-th renaming and the next (before the first for 0, after the last for size).
qint64 lowerEnd(const QList<Renaming> &list, qsizetype j) { return j == 0 ? Before : list[j - 1].seq; }
qint64 upperEnd(const QList<Renaming> &list, qsizetype j) { return j == list.size() ? After : list[j].seq; }
} // namespace

std::optional<Scope> scopeOf(QSqlDatabase db, const QString &name, QString *error)
{
    const auto list = renamings(db, error);
    if (!list)
        return std::nullopt;
    QSet<QString> names{name};
    for (const Renaming &r : *list)
        names << r.from << r.to;
    Scope s;
    QStringList parts;
    // Between two renamings (and before the first, after the last) a stored name shows one name.
    for (const QString &raw : names) {
        for (qsizetype j = 0; j <= list->size(); ++j) {
            if (shown(*list, j, raw) != name)
                continue;
            parts << QStringLiteral("(recorder = ? AND seq > ? AND seq < ?)");
            s.values << raw << lowerEnd(*list, j) << upperEnd(*list, j);
        }
    }
    s.plain = list->isEmpty();
    if (s.plain) {
        s.where = QStringLiteral("recorder = ?");
        s.values = {name};
    } else {
        s.where = parts.isEmpty() ? QStringLiteral("1 = 0") : QStringLiteral("(%1)").arg(parts.join(QStringLiteral(" OR ")));
    }
    return s;
}

std::optional<QStringList> shownNames(QSqlDatabase db, QString *error)
{
    const auto list = renamings(db, error);
    if (!list)
        return std::nullopt;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT DISTINCT recorder FROM records ORDER BY recorder"))) {
        *error = sql::describe(db, sql::cannotRead(), q.lastError());
        return std::nullopt;
    }
    QStringList stored;
    while (q.next())
        stored << q.value(0).toString();
    QSet<QString> renamed;
    for (const Renaming &r : *list)
        renamed << r.from << r.to;
    QSet<QString> shownSet;
    QSqlQuery any(db);
    any.prepare(QStringLiteral("SELECT 1 FROM records WHERE recorder = ? AND seq > ? AND seq < ? LIMIT 1"));
    for (const QString &raw : stored) {
        if (!renamed.contains(raw)) {
            shownSet << raw;
            continue;
        }
        for (qsizetype j = 0; j <= list->size(); ++j) {
            any.addBindValue(raw);
            any.addBindValue(lowerEnd(*list, j));
            any.addBindValue(upperEnd(*list, j));
            if (!any.exec()) {
                *error = sql::describe(db, sql::cannotRead(), any.lastError());
                return std::nullopt;
            }
            if (any.next())
                shownSet << shown(*list, j, raw);
        }
    }
    QStringList names(shownSet.begin(), shownSet.end());
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    return names;
}

} // namespace archive::renamings
