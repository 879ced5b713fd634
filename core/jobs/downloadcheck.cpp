#include "core/jobs/downloadcheck.h"
#include "core/config/recordersettings.h"
#include "core/records/recorddecode.h"

namespace jobs {

DownloadCheck checkDownload(Link &link, const Link::Hold &hold, uint8_t address, int attempts, const DownloadAsk &ask)
{
    using Verdict = DownloadCheck::Verdict;
    DownloadCheck c;
    if (ask.last) {
        c.last = *ask.last;
    } else {
        c.count = records::readRecordCount(link, hold, address, attempts);
        if (ask.countRead)
            ask.countRead(c.count);
        if (!c.count.count) {
            c.verdict = Verdict::NoCount;
            return c;
        }
        c.last = *c.count.count;
        if (hold.stopped() || !link.isOpen()) {
            c.verdict = Verdict::Ended;
            return c;
        }
    }
    c.recorders = recorder::readSensorCount(link, hold, address, attempts);
    if (!c.recorders) {
        c.verdict = Verdict::NoSensors;
        return c;
    }
    c.sensors = ask.sensors ? ask.sensors : *c.recorders;
    if (c.sensors != *c.recorders) {
        if (!ask.takeRecorders || !ask.takeRecorders(*c.recorders)) {
            c.verdict = Verdict::OtherSensors;
            return c;
        }
        c.sensors = *c.recorders;
    }
    c.lastAddressable = records::lastAddressableRecord(c.sensors);
    if (c.last > c.lastAddressable)
        c.verdict = Verdict::BeyondMemory;
    return c;
}

} // namespace jobs
