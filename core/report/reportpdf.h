#pragma once
#include "core/archive/recordstore.h"
#include "core/report/alarmlines.h"
#include "core/report/reportrequest.h"
#include "core/settings/sensortable.h"
#include "core/view/series.h"
#include "core/alarm/alarm.h"
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>
#include <optional>

// A period report an inspector can take: a title block, the figures of every sensor, how complete
// the records are, the chart of the period (report::paintChart) and the watcher's alarms, each page
// numbered and footed with the recorder and the period. Drawing takes a QGuiApplication (fonts);
// nothing here needs a display or a widget.
namespace report {

// Everything a report shows, read before a page is drawn.
struct Content {
    Request request;
    Statistics stats;
    QList<sensors::Sensor> sensors;        // sensor k + 1's name (filled in), unit and limits
    QVector<QVector<view::Segment>> series;
    QList<AlarmLine> alarms;               // raised before the period's end, by number
    QList<archive::OutboxEntry> notices;   // their notifications of steps in the period, in order
    // The watcher's readings of the period outside their sensor's limits (it reads at least every two
    // minutes while a value is out of range), in time order.
    QList<archive::Readings::Value> outside;
    // The first checkpoint made after the period: its time and short hash (none yet: nothing).
    std::optional<std::pair<QDateTime, QString>> anchor;
};

// Reads the period's records and alarms of request.recorder from the archive. Nothing and *error when
// the archive cannot be read.
std::optional<Content> readContent(const archive::RecordStore &store, const sensors::SensorTable &table,
                                   const Request &request, QString *error);

// The PDF of content; empty when it could not be drawn.
QByteArray reportPdf(const Content &content);

// Reads, draws and writes the report to path whole, or leaves path as it was; *error says why. The
// pages are in the language the program's texts are in now (the caller puts them in request.language).
bool writeReport(const archive::RecordStore &store, const sensors::SensorTable &table, const Request &request,
                 const QString &path, QString *error);

} // namespace report
