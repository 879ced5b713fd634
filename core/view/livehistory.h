#pragma once
#include "core/view/series.h"
#include <QMap>
#include <QVector>
#include <array>
#include <cstdint>
#include <deque>

// The live values of the last minutes, per device, for the live trend. It only keeps what the live
// value boxes were given; it never asks the bus for anything.
namespace view {

class LiveHistory {
public:
    static constexpr int kSensors = 20;       // the live value boxes
    static constexpr int kMaxSamples = 100000; // per device: a bound even for a very fast poll

    explicit LiveHistory(qint64 windowMsecs = 10 * 60 * 1000);

    // Samples older than this before the newest sample of any device are dropped (at least one
    // second): a device no longer read fades out of the trend as the others go on.
    void setWindow(qint64 msecs);
    qint64 window() const { return m_window; }

    // The register words a live read showed for device at msecs: words[k] is sensor k (from 0), as
    // the boxes decode it; words past the twentieth are ignored. A time before the newest sample
    // (the PC clock set back) drops the samples that now lie ahead of it.
    void add(uint8_t device, qint64 msecs, const QVector<uint16_t> &words);

    QVector<uint8_t> devices() const;       // the devices seen, in ascending address order
    int sensors(uint8_t device) const;      // the most sensors one sample of the device held
    qsizetype size(uint8_t device) const;   // samples kept

    // The sensor's samples in time order; a sample whose read did not reach the sensor has none.
    QVector<Sample> samples(uint8_t device, int sensor) const;

    // The device's read interval for the gap rule: the median step between its recent samples, in
    // whole seconds rounded up; 0 while fewer than two samples came.
    int intervalSecs(uint8_t device) const;

    // samples() cut into segments by view::segments with intervalSecs().
    QVector<Segment> segments(uint8_t device, int sensor) const;

    void clear() { m_devices.clear(); m_latest = 0; }  // and the devices seen

private:
    struct Row {
        qint64 msecs;
        std::array<int, kSensors> tenths;
        int count;  // sensors 0 … count − 1 were read
    };
    struct Device {
        std::deque<Row> rows;
        int sensors = 0;
    };
    void prune();

    qint64 m_window;
    qint64 m_latest = 0;
    QMap<uint8_t, Device> m_devices;
};

} // namespace view
