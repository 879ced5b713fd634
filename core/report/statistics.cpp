#include "core/report/statistics.h"
#include "core/view/series.h"
#include <algorithm>
#include <cmath>

namespace report {

namespace {
constexpr double ZeroCelsius = 273.15;
// A recorder whose interval is not known stamps whole minutes: a reading stands for at least that.
constexpr qint64 MinuteMsecs = 60'000;

struct Accumulator {
    double weighted = 0, weight = 0;  // Σ tᵢ·vᵢ (tenths) and Σ tᵢ
    double mktSum = 0;
    sensors::Reading run = sensors::Reading::Inside;  // the side of the excursion under way
};
} // namespace

bool isTemperature(const QString &unit)
{
    const QString u = unit.trimmed();
    return u == QStringLiteral("℃") || u == QStringLiteral("°C");
}

namespace {
// One pass over a period's records. The previous record's readings wait for the step to the next,
// which says how long they stood.
class Pass {
public:
    Pass(Statistics &st, const QList<sensors::Sensor> &limits, int sensorCount, double dhR)
        : st(st), limits(limits), sensorCount(sensorCount), dhR(dhR), acc(sensorCount), temperature(sensorCount),
          previous(sensorCount), current(sensorCount), previousSide(sensorCount), currentSide(sensorCount)
    {
        st.sensors.resize(sensorCount);
        for (int j = 0; j < sensorCount; ++j)
            temperature[j] = isTemperature(limits.value(j).unit);
    }

    // A record's time: the readings before it weighed, a gap before it listed.
    void stepTo(const QDateTime &time, const QDateTime &from, qint64 gap, qint64 spacing)
    {
        if (previousTime.isValid()) {
            const qint64 step = previousTime.msecsTo(time);
            const bool isGap = gap > 0 && step > gap;
            settle(step > 0 && !isGap ? step : spacing);
            if (isGap)
                st.gaps.append({previousTime, time});
            if (isGap || step < 0)
                endRuns();
        } else if (from.isValid() && gap > 0 && from.msecsTo(time) > gap) {
            st.gaps.append({from, time});
        }
    }

    // A record's readings: extremes, sums and excursions.
    void take(const records::Record &r, const QDateTime &time)
    {
        for (int j = 0; j < sensorCount; ++j) {
            const auto v = j < r.wordCount() ? r.value(j) : std::nullopt;
            current[j] = v;
            currentSide[j] = sensors::compare(v, limits.value(j));
            Accumulator &a = acc[j];
            SensorStats &s = st.sensors[j];
            if (!v) {
                a.run = sensors::Reading::Inside;
                continue;
            }
            ++s.readings;
            if (!s.min || *v < s.min->tenths)
                s.min = Extreme{*v, time};
            if (!s.max || *v > s.max->tenths)
                s.max = Extreme{*v, time};
            if (!sensors::outOfRange(currentSide[j])) {
                a.run = sensors::Reading::Inside;
            } else if (a.run != currentSide[j]) {
                a.run = currentSide[j];
                ++s.excursions;
                if (!s.firstExcursion.isValid())
                    s.firstExcursion = time;
            }
        }
        std::swap(previous, current);
        std::swap(previousSide, currentSide);
        previousTime = time;
        if (!latest.isValid() || time > latest)
            latest = time;
    }

    // The end of the period (or of the time up to now) stands for a record after the last.
    void finish(const QDateTime &from, const QDateTime &end, qint64 gap, qint64 spacing)
    {
        if (previousTime.isValid())
            settle(spacing);
        const QDateTime last = latest.isValid() ? latest : from;
        if (gap > 0 && last.isValid() && last.msecsTo(end) > gap)
            st.gaps.append({last, end});
        for (int j = 0; j < sensorCount; ++j) {
            SensorStats &s = st.sensors[j];
            if (s.readings > 0 && acc[j].weight > 0)
                s.mean = acc[j].weighted / acc[j].weight / 10.0;
            if (temperature[j] && acc[j].weight > 0)
                s.mkt = dhR / -std::log(acc[j].mktSum / acc[j].weight) - ZeroCelsius;
        }
    }

private:
    void settle(qint64 weight)
    {
        for (int j = 0; j < sensorCount; ++j) {
            if (!previous[j])
                continue;
            if (previousSide[j] == sensors::Reading::Below)
                st.sensors[j].belowMsecs += weight;
            else if (previousSide[j] == sensors::Reading::Above)
                st.sensors[j].aboveMsecs += weight;
            acc[j].weighted += double(weight) * *previous[j];
            acc[j].weight += double(weight);
            if (temperature[j])
                acc[j].mktSum += double(weight) * std::exp(-dhR / (*previous[j] / 10.0 + ZeroCelsius));
        }
    }
    void endRuns()
    {
        for (Accumulator &a : acc)
            a.run = sensors::Reading::Inside;
    }

    Statistics &st;
    const QList<sensors::Sensor> &limits;
    const int sensorCount;
    const double dhR;
    QVector<Accumulator> acc;
    QVector<bool> temperature;
    QVector<std::optional<int>> previous, current;
    QVector<sensors::Reading> previousSide, currentSide;
    QDateTime previousTime, latest;
};
} // namespace

QDateTime onClock(const QDateTime &t)
{
    return t.isValid() ? QDateTime(t.date(), t.time(), Qt::UTC) : t;
}

Statistics statistics(const QList<records::Record> &recs, int intervalS, const QList<sensors::Sensor> &limits,
                      const QDateTime &from, const QDateTime &to, double dhR, const QDateTime &clockEnd,
                      const QList<int> &intervals)
{
    Statistics st;
    st.from = from;
    st.to = to;
    st.intervalS = intervalS;
    const qint64 gap = view::gapMsecs(intervalS);
    const qint64 spacing = spacingSecs(intervalS) > 0 ? 1000LL * spacingSecs(intervalS) : MinuteMsecs;
    // Every time is the recorders' clock's: records as they wrote them, the period as the user gave it.
    const QDateTime start = onClock(from), last = onClock(to), now = onClock(clockEnd);
    // Nothing is due after now.
    const QDateTime end = now.isValid() && now < last ? now : last;

    int sensorCount = 0;
    for (const records::Record &r : recs)
        sensorCount = std::max(sensorCount, std::min(r.wordCount(), sensors::MaxSensor));
    Pass pass(st, limits, sensorCount, dhR);
    // What is due, a stretch of one interval at a time: each record's interval holds from it on.
    qint64 due = 0;
    int dueInterval = intervals.isEmpty() ? intervalS : intervals.first();
    QDateTime stretch = start;
    for (qsizetype i = 0; i < recs.size(); ++i) {
        const auto time = recs[i].clockTime();
        if (!time) {
            ++st.skipped;
            continue;
        }
        ++st.records;
        pass.stepTo(*time, start, gap, spacing);
        pass.take(recs[i], *time);
        if (const int own = intervals.value(i, dueInterval); own != dueInterval && *time > stretch && *time <= end) {
            due += dueInterval > 0 ? stretch.msecsTo(*time) / (1000LL * spacingSecs(dueInterval)) : 0;
            stretch = *time, dueInterval = own;
        }
    }
    if (dueInterval > 0 && start.isValid() && end >= start)
        st.expected = due + stretch.msecsTo(end) / (1000LL * spacingSecs(dueInterval)) + 1;
    pass.finish(start, end, gap, spacing);
    if (st.records == 0 && start.isValid() && end >= start && st.gaps.isEmpty())
        st.gaps.append({start, end});
    return st;
}

} // namespace report
