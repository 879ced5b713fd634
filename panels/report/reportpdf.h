#pragma once
#include "core/archive/recordstore.h"
#include "core/report/reportrequest.h"
#include "core/settings/sensortable.h"
#include "core/view/series.h"
#include "core/alarm/alarm.h"
#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>
#include <optional>

// A period report an inspector can take: a title block, the figures of every sensor, how complete
// the records are, the chart of the period and the watcher's alarms, each page numbered and footed
// with the recorder and the period, in the window's language. Drawing the chart takes a QApplication
// (Qt Charts are widgets); nothing here needs a display.
namespace report {

// One alarm of the period as its steps leave it.
struct AlarmLine {
    watch::Transition raised;
    std::optional<watch::Transition> acknowledged, cleared;
};

// Everything a report shows, read before a page is drawn.
struct Content {
    Request request;
    Statistics stats;
    QList<sensors::Sensor> sensors;        // sensor k + 1's name (filled in), unit and limits
    QVector<QVector<view::Segment>> series;
    QList<AlarmLine> alarms;
};

// Reads the period's records and alarms of request.recorder from the archive. Nothing and *error when
// the archive cannot be read.
std::optional<Content> readContent(const archive::RecordStore &store, const sensors::SensorTable &table,
                                   const Request &request, QString *error);

// The PDF of content; empty when it could not be drawn.
QByteArray reportPdf(const Content &content);

// Reads, draws (in request.language) and writes the report to path whole, or leaves path as it was;
// *error says why.
bool writeReport(const archive::RecordStore &store, const sensors::SensorTable &table, const Request &request,
                 const QString &path, QString *error);

} // namespace report
