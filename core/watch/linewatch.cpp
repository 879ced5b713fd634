#include "core/watch/linewatch.h"
#include "core/jobs/liveread.h"
#include "core/live/livedecode.h"
#include "core/settings/sensortable.h"
#include <QCoreApplication>
#include <algorithm>

namespace watch {

LineWatch::LineWatch(Link &link, WatchedLine line, Context context)
    : m_link(link), m_line(std::move(line)), m_ctx(std::move(context))
{
    if (!m_ctx.backlog)
        m_ownBacklog = std::make_unique<StoreBacklog>(m_ctx.store, *m_ctx.rules, m_ctx.tell, m_ctx.log);
    m_backlog = m_ctx.backlog ? m_ctx.backlog : m_ownBacklog.get();
}

void LineWatch::logOnce(const QString &text)
{
    // A fault that lasts (an archive that went away, a bus another program holds) is logged when it
    // starts, not at every poll.
    if (text != m_lastLog && m_ctx.log)
        m_ctx.log(text);
    m_lastLog = text;
}

void LineWatch::keep(const QList<Transition> &steps)
{
    for (const Transition &step : steps)
        m_backlog->step(step);
}

bool LineWatch::poll(const QDateTime &nowUtc)
{
    auto hold = m_link.tryHold(Link::Visibility::Quiet);
    if (!hold) {
        logOnce(QCoreApplication::translate("watch", "%1 正被别的命令占用，这一轮没有读取").arg(m_line.port));
        return false;
    }
    for (uint8_t address : m_line.addresses) {
        const QString recorder = m_ctx.recorderName(address);
        const jobs::LiveReading read = jobs::readLiveValues(m_link, *hold, {address, 3, 0, sensors::MaxSensor});
        if (!read.complete()) {
            keep(m_ctx.rules->pollFailed(recorder, address, nowUtc));
            continue;
        }
        // Decoded as the window's value boxes; a register the reply did not hold is no reading.
        QVector<std::optional<int>> tenths(sensors::MaxSensor);
        for (qsizetype k = 0; k < read.words.size() && k < tenths.size(); ++k)
            tenths[k] = live::wordReading(read.words[k]);
        m_backlog->reading(recorder, address, nowUtc, tenths);
        keep(m_ctx.rules->observe(recorder, address, tenths,
                                  m_ctx.sensors ? m_ctx.sensors->of(recorder) : QMap<int, sensors::Sensor>{}, nowUtc));
    }
    keep(m_ctx.rules->tick(nowUtc));
    m_backlog->flush();
    m_lastLog.clear();
    return !m_backlog->refusing();
}

bool LineWatch::outOfRange() const
{
    return std::any_of(m_line.addresses.cbegin(), m_line.addresses.cend(),
                       [this](uint8_t a) { return m_ctx.rules->outOfRange(m_ctx.recorderName(a)); });
}

} // namespace watch
