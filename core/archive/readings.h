#pragma once
#include "core/archive/connection.h"
#include <QDateTime>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

// The watcher's live readings: a number in the sensor's unit (NULL for no reading) a sensor and UTC
// time, only ever appended to.
namespace archive {

class Readings {
public:
    explicit Readings(Connection &c) : m_c(c) {}
    // Value k of tenths is sensor k + 1; a reading already kept is not kept twice.
    bool store(const QString &recorder, uint8_t address, const QDateTime &taken, const QVector<std::optional<int>> &tenths,
               QString *error);

private:
    Connection &m_c;
};

} // namespace archive
