#include "core/view/audittrail.h"
#include <QSet>
#include <algorithm>

namespace view {

using archive::AuditRow;

QList<AuditRow> auditRows(const QList<AuditRow> &trail, const AuditFilter &filter)
{
    QList<AuditRow> kept;
    for (auto it = trail.crbegin(); it != trail.crend(); ++it) {
        const AuditRow &row = *it;
        if ((filter.from.isValid() && row.at < filter.from) || (filter.until.isValid() && row.at >= filter.until))
            continue;
        if ((!filter.recorder.isEmpty() && row.recorder != filter.recorder) || (!filter.kind.isEmpty() && row.kind != filter.kind))
            continue;
        kept.append(row);
    }
    return kept;
}

namespace {
QStringList distinct(const QList<AuditRow> &trail, QString AuditRow::*field)
{
    QSet<QString> seen;
    for (const AuditRow &row : trail)
        if (!(row.*field).isEmpty())
            seen.insert(row.*field);
    QStringList values(seen.begin(), seen.end());
    std::sort(values.begin(), values.end());
    return values;
}
} // namespace

QStringList auditRecorders(const QList<AuditRow> &trail) { return distinct(trail, &AuditRow::recorder); }
QStringList auditKinds(const QList<AuditRow> &trail) { return distinct(trail, &AuditRow::kind); }

} // namespace view
