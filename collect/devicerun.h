#pragma once
#include "core/jobs/collectdownload.h"
#include <QMap>
#include <QString>
// One recorder's part of a collection, inside the bus hold of the run: the core's collect job, and
// the files the collector writes of what it kept.
namespace collect {
struct DeviceResult : jobs::Collected {
    QMap<QString, QString> files;        // "csv" → the path written
    QMap<QString, QString> filesFailed;  // "csv" → the path that could not be written
};

// files: "csv" / "xls" / "txt" → path, written again each time the job keeps records.
DeviceResult collectDevice(Link &link, const Link::Hold &hold, jobs::CollectJob job, const QMap<QString, QString> &files);
} // namespace collect
