#pragma once
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

// A recorder given a new name keeps its rows where they were stored: the audit trail holds the
// renaming (kind rename-records), and every read of records goes through it. A stored name shows as
// the name the renamings after the row lead to.
namespace archive::renamings {

struct Scope {
    QString where;        // a condition on records' recorder and seq
    QVariantList values;
    bool plain = true;    // no renaming touches the name: WHERE recorder = ?
    // Binds the condition's values, in order, to a query whose next placeholders are its own.
    void bind(QSqlQuery &q) const
    {
        for (const QVariant &v : values)
            q.addBindValue(v);
    }
};

// The rows shown under a name: those stored under it, and those stored under a name later renamed
// to it, up to the renaming.
std::optional<Scope> scopeOf(QSqlDatabase db, const QString &name, QString *error);
// Every name the records show, in byte order of their UTF-8.
std::optional<QStringList> shownNames(QSqlDatabase db, QString *error);

} // namespace archive::renamings
