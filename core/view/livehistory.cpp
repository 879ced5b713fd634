#include "core/view/livehistory.h"
#include "core/live/livedecode.h"
#include <algorithm>

namespace view {

namespace {
// Steps taken for the median: enough to ride over a skipped tick or a slow reply, few enough that a
// changed polling interval shows within a minute or two.
constexpr int kRecentSteps = 31;
} // namespace

LiveHistory::LiveHistory(qint64 windowMsecs)
{
    setWindow(windowMsecs);
}

void LiveHistory::setWindow(qint64 msecs)
{
    m_window = std::max<qint64>(msecs, 1000);
    prune();
}

void LiveHistory::add(uint8_t device, qint64 msecs, const QVector<uint16_t> &words)
{
    Device &d = m_devices[device];
    Row row{msecs, {}, int(std::min<qsizetype>(words.size(), kSensors))};
    for (int k = 0; k < row.count; ++k)
        row.tenths[k] = live::wordTenths(words[k]);
    if (msecs < m_latest) {
        // The clock went back: what lies ahead of the new time would never leave the window.
        for (Device &other : m_devices)
            std::erase_if(other.rows, [msecs](const Row &r) { return r.msecs > msecs; });
    }
    m_latest = msecs;
    d.rows.push_back(row);
    d.sensors = std::max(d.sensors, row.count);
    prune();
}

void LiveHistory::prune()
{
    const qint64 oldest = m_latest - m_window;
    for (Device &d : m_devices)
        while (!d.rows.empty() && (d.rows.front().msecs < oldest || qsizetype(d.rows.size()) > kMaxSamples))
            d.rows.pop_front();
}

QVector<uint8_t> LiveHistory::devices() const
{
    return QVector<uint8_t>(m_devices.keyBegin(), m_devices.keyEnd());
}

int LiveHistory::sensors(uint8_t device) const
{
    const auto it = m_devices.constFind(device);
    return it == m_devices.cend() ? 0 : it->sensors;
}

qsizetype LiveHistory::size(uint8_t device) const
{
    const auto it = m_devices.constFind(device);
    return it == m_devices.cend() ? 0 : qsizetype(it->rows.size());
}

QVector<Sample> LiveHistory::samples(uint8_t device, int sensor) const
{
    QVector<Sample> out;
    const auto it = m_devices.constFind(device);
    if (it == m_devices.cend() || sensor < 0 || sensor >= kSensors)
        return out;
    out.reserve(qsizetype(it->rows.size()));
    for (const Row &r : it->rows) {
        Sample s{r.msecs, {}};
        if (sensor < r.count)
            s.tenths = r.tenths[sensor];
        out.append(s);
    }
    return out;
}

int LiveHistory::intervalSecs(uint8_t device) const
{
    const auto it = m_devices.constFind(device);
    if (it == m_devices.cend() || it->rows.size() < 2)
        return 0;
    std::vector<qint64> steps;
    const auto &rows = it->rows;
    for (size_t i = rows.size() - 1; i > 0 && steps.size() < size_t(kRecentSteps); --i)
        steps.push_back(rows[i].msecs - rows[i - 1].msecs);
    auto mid = steps.begin() + qsizetype(steps.size() / 2);
    std::nth_element(steps.begin(), mid, steps.end());
    // Whole seconds, rounded up, and at least one: a poll faster than a second still has a gap rule.
    return int(std::max<qint64>(1, (*mid + 999) / 1000));
}

QVector<Segment> LiveHistory::segments(uint8_t device, int sensor) const
{
    return view::segments(samples(device, sensor), intervalSecs(device));
}

} // namespace view
