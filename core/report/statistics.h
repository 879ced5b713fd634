#pragma once
#include "core/records/record.h"
#include "core/settings/sensortable.h"
#include <QDateTime>
#include <QList>
#include <QVector>
#include <optional>

// What a period report says about a recorder's records: per sensor the readings, extremes, mean,
// mean kinetic temperature, time and number of excursions beyond its limits; and how complete the
// records are. Every value is read by the records' own decoding (no reading is missing, never zero),
// so the figures agree with the table, the CSV and the chart to the tenth.
//
// Time: a reading stands for the time until the next record, as long as that step is no gap (the
// chart's gap rule, view::gapMsecs) and goes forward; otherwise — before a gap, at the end, where the
// clock was set back — it stands for one recording interval. The time of a gap belongs to no reading.
namespace report {

// ΔH/R of USP <1160> in kelvin (ΔH = 83.144 kJ/mol).
inline constexpr double DefaultDhR = 10000.0;

// A sensor given in degrees Celsius ("℃" or "°C"): only these get a mean kinetic temperature.
bool isTemperature(const QString &unit);

struct Extreme {
    int tenths = 0;
    QDateTime time;  // the first record it was read in
};

struct SensorStats {
    int readings = 0;
    std::optional<Extreme> min, max;
    std::optional<double> mean;        // units: Σ tᵢ·vᵢ / Σ tᵢ, weighed by time as the MKT is
    // °C: (ΔH/R) / −ln(Σ tᵢ·e^(−(ΔH/R)/Tᵢ) / Σ tᵢ) − 273.15, Tᵢ the readings in kelvin, tᵢ the times they
    // stand for; temperature sensors with readings only.
    std::optional<double> mkt;
    qint64 belowMsecs = 0, aboveMsecs = 0;
    // Runs of readings beyond one limit; a reading inside (a value on a limit is), a missing reading,
    // a gap, a step back in time or a change of side ends a run.
    int excursions = 0;
    QDateTime firstExcursion;          // invalid when none
};

struct Gap {
    QDateTime from, to;  // the records around it (or the period's start or end)
    qint64 msecs() const { return from.msecsTo(to); }
};

struct Statistics {
    QDateTime from, to;      // the period, minutes, both ends included
    int intervalS = 0;       // the interval register (the spacing is one second more); 0: not known
    int records = 0;         // records with a real time
    int skipped = 0;         // records whose time is no date
    qint64 expected = -1;    // records the intervals give over the period up to now; -1: no interval known
    // An empty period is one gap whatever the interval.
    QVector<Gap> gaps;       // longer than the gap rule, in time order
    QVector<SensorStats> sensors;  // one a sensor, as many as the records hold values
};

// The seconds between two records for an interval register: the recorder waits one more.
inline int spacingSecs(int intervalRegister) { return intervalRegister > 0 ? intervalRegister + 1 : 0; }

// A time the PC gave (a period's end, now) on the recorders' clock: its fields as they are, as UTC.
QDateTime onClock(const QDateTime &t);

// Statistics of one recorder's records of from … to (in time order as the archive keeps them), read
// against limits[k] for sensor k + 1 (missing entries: no limits, no unit). One pass over the records.
// clockEnd: now, when the period ends later (the report made before it ends): nothing after it is due,
// and a gap at the end ends there. intervals: each record's interval register, when it changes inside
// the period (what is due is counted a stretch of one interval at a time; else intervalS throughout).
// Every figure is taken on the recorder's clock (Record::clockTime()); from, to and clockEnd are read
// as wall-clock times, and the times of extremes, excursions and gaps come back on that clock.
Statistics statistics(const QList<records::Record> &recs, int intervalS, const QList<sensors::Sensor> &limits,
                      const QDateTime &from, const QDateTime &to, double dhR = DefaultDhR, const QDateTime &clockEnd = {},
                      const QList<int> &intervals = {});

} // namespace report
