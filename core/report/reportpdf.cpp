#include "core/report/reportpdf.h"
#include "core/archive/checkpoint.h"
#include "core/export/periodexport.h"
#include "core/files/safefile.h"
#include "core/view/period.h"
#include <QDir>
#include <algorithm>
#include <QMap>
#include <QCoreApplication>

namespace report {

std::optional<Content> readContent(const archive::RecordStore &store, const sensors::SensorTable &table, const Request &request,
                                   QString *error)
{
    Content c;
    c.request = request;
    QString why;
    const QList<archive::StoredRecord> stored = store.records().period(request.recorder, request.from, request.to, &why);
    if (!why.isEmpty()) {
        *error = why;
        return std::nullopt;
    }
    int intervalS = 0;  // as the history tab: the longest interval recorded in the period
    QList<int> intervals;
    for (const archive::StoredRecord &r : stored)
        intervalS = std::max(intervalS, r.intervalS), intervals << r.intervalS;
    if (!stored.isEmpty()) {
        if (c.request.address == 0)
            c.request.address = stored.last().address;
        if (c.request.port.isEmpty())
            c.request.port = stored.last().port;
    }
    QList<sensors::Sensor> limits;
    for (int s = 1; s <= sensors::MaxSensor; ++s) {
        sensors::Sensor sensor = table.sensor(request.recorder, s);
        sensor.name = table.shownName(request.recorder, s);
        limits << sensor;
    }
    c.stats = statistics(exports::periodRecords(stored), intervalS, limits, request.from, request.to, request.dhR, request.madeAt,
                         intervals);
    c.sensors = limits.mid(0, c.stats.sensors.size());
    c.series = view::periodView(stored).series;  // the history tab's lines, cut by its gap rule

    const auto steps = store.alarms().steps(archive::AlarmSteps::All, request.from.toUTC(), error);
    if (!steps)
        return std::nullopt;
    QMap<qint64, AlarmLine> alarms;
    for (const AlarmLine &a : alarmLines(*steps))
        if (a.latest.recorder == request.recorder)
            alarms.insert(a.latest.id, a);
    const QDateTime end = request.to.addSecs(60).toUTC();
    for (const AlarmLine &a : alarms)
        if (a.raised.time < end)
            c.alarms << a;
    const auto notices = store.outbox().since(request.from.toUTC(), error);
    if (!notices)
        return std::nullopt;
    for (const archive::OutboxEntry &e : *notices)
        if (e.happened < end && std::any_of(c.alarms.cbegin(), c.alarms.cend(), [&e](const AlarmLine &a) { return a.latest.id == e.alarmId; }))
            c.notices << e;
    const auto readings = store.readings().of(request.recorder, request.from.toUTC(), end, error);
    if (!readings)
        return std::nullopt;
    for (const archive::Readings::Value &v : *readings)
        if (const auto r = v.sensor <= limits.size() ? sensors::compare(v.tenths, limits[v.sensor - 1]) : sensors::Reading::NoReading;
            r == sensors::Reading::Above || r == sensors::Reading::Below)
            c.outside << v;
    // The first checkpoint made once the period was over vouches for its records.
    const auto checkpoints = store.audit().trail(error, QLatin1String(archive::kinds::Checkpoint));
    if (!checkpoints)
        return std::nullopt;
    for (const archive::AuditRow &row : *checkpoints)
        for (const archive::Checkpoint &cp : archive::checkpointsIn(row.newValue))
            if (!c.anchor && cp.at >= end)
                c.anchor = std::pair(cp.at, cp.shortHash());
    return c;
}

bool writeReport(const archive::RecordStore &store, const sensors::SensorTable &table, const Request &request,
                 const QString &path, QString *error)
{
    QString why;
    const auto content = readContent(store, table, request, &why);
    if (content) {
        const QByteArray pdf = reportPdf(*content);
        if (pdf.isEmpty())
            why = QCoreApplication::translate("ReportPages", "PDF 未能生成");
        else if (safefile::writeWhole(path, pdf, &why))
            return true;
    }
    *error = QCoreApplication::translate("ReportPages", "报告未能写入 %1：%2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

} // namespace report
