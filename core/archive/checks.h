#pragma once
#include "core/archive/chain.h"
#include "core/archive/checkpoint.h"
#include "core/archive/connection.h"
#include <QString>
#include <optional>

// What proves the archive whole: a walk of every hash chain, and a copy of a SQLite archive for a backup.
namespace archive {

class Checks {
public:
    explicit Checks(Connection &c) : m_c(c) {}
    // Walks every hash chain: the first row that does not match, or how many rows all hold; where
    // anchors are given (checkpoints, backups), each must hold too.
    std::optional<chain::Verdict> verify(QString *error, const QList<chain::Anchor> &anchors = {}) const;
    // The random id the archive was given when it was made.
    std::optional<QString> archiveId(QString *error) const;
    // Each chain's row count and last hash, by table and recorder: what a checkpoint records.
    std::optional<QList<ChainTip>> tips(QString *error) const;
    // SQLite: writes a copy of the whole archive into file, which must be empty (VACUUM INTO).
    bool copyInto(const QString &file, QString *error) const;

    // The connection, for a check that reads the archive beside a copy of it.
    QSqlDatabase database() const { return m_c.db(); }

private:
    Connection &m_c;
};

} // namespace archive
