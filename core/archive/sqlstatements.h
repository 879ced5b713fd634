#pragma once
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The archive's statements as all of its parts run them.
namespace archive::sql {

// What went wrong: in words of its own where SQLite names a fault of the file, the disk or the lock,
// otherwise what was being done and the database's text.
QString describe(const QSqlDatabase &db, const QString &what, const QSqlError &e);
bool exec(QSqlDatabase &db, const QString &sql, QString *error);
bool execAll(QSqlDatabase &db, const QStringList &statements, QString *error);
// Runs a prepared statement once for each set of values; false and *error at the first refused.
bool execEach(QSqlDatabase &db, const QString &sql, const QList<QVariantList> &rows, QString *error);

// A time as the database gives it back: a timestamp (PostgreSQL) or the text it was written as (SQLite).
QDateTime timeOf(const QVariant &v);
// A time as the watcher writes it: "2026-12-08T03:12:00Z".
QString utcText(const QDateTime &t);
// "The archive cannot be read", what a failed read says before the database's words.
QString cannotRead();

} // namespace archive::sql
