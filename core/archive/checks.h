#pragma once
#include "core/archive/chain.h"
#include "core/archive/connection.h"
#include <QString>
#include <optional>

// What proves the archive whole: a walk of every hash chain, and a copy of a SQLite archive for a backup.
namespace archive {

class Checks {
public:
    explicit Checks(Connection &c) : m_c(c) {}
    // Walks every hash chain: the first row that does not match, or how many rows all hold.
    std::optional<chain::Verdict> verify(QString *error) const;
    // SQLite: writes a copy of the whole archive into file, which must be empty (VACUUM INTO).
    bool copyInto(const QString &file, QString *error) const;

private:
    Connection &m_c;
};

} // namespace archive
