#pragma once
#include "collect/collector.h"
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QString>
// What the collector writes: the export files of a device's records, its progress on standard error.
namespace collect {
// Writes the records (data bytes in memory order) to files ("csv" / "xls" / "txt" → path) with the
// records tab's writers; each file whole or not at all. The paths written go into *written; false
// and *error (naming the file) at the first that failed. names: the sensors' names for the CSV header.
bool writeFiles(const QList<QByteArray> &records, int sensors, const QMap<QString, QString> &files,
                QMap<QString, QString> *written, QString *error, const QStringList &names = {});

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
