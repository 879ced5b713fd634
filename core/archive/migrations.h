#pragma once
#include <QList>
#include <QSqlDatabase>
#include <QString>

// The steps that bring an archive written by an older program up to the schema (schema.h), one
// version at a time: step n takes an archive of version n to version n + 1. Each runs inside the
// transaction the caller holds (with the archive's write lock), so an upgrade that fails half-way
// leaves the archive as it was. A step's statements are those of its time and stay as they are: the
// schema table describes only the latest shape, which the last step must reach.
namespace archive::migration {

struct Step {
    int from;          // the version the step starts from
    const char *what;  // what the step brings, for the reader
    bool (*run)(QSqlDatabase &db, bool postgres, QString *error);
};

// In order: steps()[i].from == i + 1, the last one reaching schema::Version.
const QList<Step> &steps();

// Runs the steps from version on; false and *error at the first that fails.
bool upgrade(QSqlDatabase &db, bool postgres, int version, QString *error);

} // namespace archive::migration
