#pragma once
#include "core/archive/recordstore.h"
#include <QDateTime>
#include <QList>
#include <QStringList>

// The archive's audit trail as its view shows it: the entries a filter keeps, newest first, and what
// the filter's lists offer.
namespace view {

struct AuditFilter {
    QDateTime from, until;   // from ≤ at < until; an invalid time bounds nothing
    QString recorder, kind;  // empty: any
};

// The entries of trail (oldest first, as the archive gives it) that filter keeps, newest first.
QList<archive::AuditRow> auditRows(const QList<archive::AuditRow> &trail, const AuditFilter &filter);
// The recorders and the kinds the trail names, each once and sorted; an entry without a recorder names
// none.
QStringList auditRecorders(const QList<archive::AuditRow> &trail);
QStringList auditKinds(const QList<archive::AuditRow> &trail);
// A kind in the window's language ("报警确认" for alarm-ack); a kind this program does not know, as
// it is. Files and the command line keep the kinds themselves.
QString auditKindName(const QString &kind);
// An old or new value as the window shows it: a sensor's settings ("3#东墙|℃||30.0") by what each
// part is ("3# 名称 东墙，单位 ℃，上限 30.0"; "3# 未设置" for none), any other value as it is.
QString auditValueText(const QString &kind, const QString &value);

} // namespace view
