#pragma once
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>

// The archive's statements as both of its files run them.
namespace archive::sql {

// What went wrong: in words of its own where SQLite names a fault of the file, the disk or the lock,
// otherwise what was being done and the database's text.
QString describe(const QSqlDatabase &db, const QString &what, const QSqlError &e);
bool exec(QSqlDatabase &db, const QString &sql, QString *error);
// Runs a prepared statement once for each set of values; false and *error at the first refused.
bool execEach(QSqlDatabase &db, const QString &sql, const QList<QVariantList> &rows, QString *error);

} // namespace archive::sql
