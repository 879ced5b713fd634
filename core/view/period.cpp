#include "core/view/period.h"

namespace view {

PeriodView periodView(const QList<archive::StoredRecord> &records)
{
    PeriodView p;
    p.rows.reserve(records.size());
    for (const archive::StoredRecord &r : records) {
        const int sensors = int(r.words.size() / 2);
        auto values = recordValues(r.data(), sensors);
        if (!values) {
            ++p.skipped;
            continue;
        }
        p.sensors = std::max(p.sensors, sensors);
        // A longer interval set part-way must not turn every step of it into a gap.
        p.intervalS = std::max(p.intervalS, r.intervalS);
        p.rows.append(std::move(*values));
    }
    p.series.resize(p.sensors);
    QVector<qint64> msecs(p.rows.size());
    for (qsizetype i = 0; i < p.rows.size(); ++i)
        msecs[i] = p.rows[i].time.toMSecsSinceEpoch();  // the local zone's rules: once a row, not a value
    QVector<Sample> samples(p.rows.size());
    for (int s = 0; s < p.sensors; ++s) {
        for (qsizetype i = 0; i < p.rows.size(); ++i) {
            const RecordValues &row = p.rows[i];
            samples[i] = {msecs[i], s < row.tenths.size() ? row.tenths[s] : std::nullopt};
        }
        p.series[s] = segments(samples, p.intervalS);
    }
    return p;
}

} // namespace view
