#pragma once
#include "collect/collector.h"
#include "core/records/record.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QString>
// What the collector writes: the export files of a device's records, its progress on standard error.
namespace collect {
// Writes the records (in memory order) to files ("csv" / "xls" / "txt" → path) with the
// records tab's writers; each file whole or not at all, and each on its own: one that cannot be
// written does not keep the others from being written. Records that are not all there (partial: the
// download was interrupted or left records unread) go beside the asked name (partialPath), so that a
// whole file an earlier run wrote there stays. What it returns is this write's alone: the paths
// written, those that failed, and a sentence (naming the option and the file) for each failure.
// names: the sensors' names for the CSV header.
struct Written {
    QMap<QString, QString> files, failed;  // "csv" → path
    QStringList problems;
};
Written writeFiles(const QList<records::Record> &records, int sensors, const QMap<QString, QString> &files, bool partial,
                   const QStringList &names);
// "out.csv" → "out.partial.csv"; "out" → "out.partial".
QString partialPath(const QString &path);

// A device's download progress: a bar redrawn in place on a terminal, otherwise a line at every
// tenth of the way (a log stays short).
class Progress {
public:
    Progress(const Io &io, const QString &label) : m_io(io), m_label(label) { m_clock.start(); }
    void update(int done, int total);
    void finish();
private:
    const Io &m_io;
    QString m_label;
    QElapsedTimer m_clock;
    qint64 m_drawnAt = -1000;
    int m_tenth = -1;
    bool m_drawn = false;
};
} // namespace collect
