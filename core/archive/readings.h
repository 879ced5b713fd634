#pragma once
#include "core/archive/connection.h"
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

// The watcher's live readings: a number in the sensor's unit (NULL for no reading) a sensor and UTC
// time, only ever appended to.
namespace archive {

// One poll of one recorder: value k of tenths is sensor k + 1.
struct Reading {
    QString recorder;
    uint8_t address = 0;
    QDateTime taken;
    QVector<std::optional<int>> tenths;
};

class Readings {
public:
    explicit Readings(Connection &c) : m_c(c) {}
    // A reading already kept is not kept twice.
    bool store(const QString &recorder, uint8_t address, const QDateTime &taken, const QVector<std::optional<int>> &tenths,
               QString *error)
    {
        return store({{recorder, address, taken, tenths}}, error);
    }
    // All of them in one transaction: all kept, or none.
    bool store(const QList<Reading> &readings, QString *error);

    // One sensor's reading, as kept.
    struct Value {
        QDateTime taken;  // UTC
        int sensor = 0;
        int tenths = 0;
    };
    // The recorder's readings (no reading left out) taken from from up to to, by time and sensor; nothing
    // and *error when the archive cannot be read.
    std::optional<QList<Value>> of(const QString &recorder, const QDateTime &from, const QDateTime &to, QString *error) const;

private:
    Connection &m_c;
};

} // namespace archive
