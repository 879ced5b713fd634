#include "core/jobs/liveread.h"
#include "core/link/frames.h"
#include "core/live/livedecode.h"

namespace jobs {

LiveReading readLiveValues(Link &link, const Link::Hold &hold, const LiveTarget &target)
{
    LiveReading r;
    const QByteArray request = modbus::readRequest(target.device, target.function, target.start, target.count);
    // Decoded inside the exchange: replies that never agreed are never decoded.
    r.exchange = link.exchange(hold, kinds::LiveRead, request, [&r](const Exchange &ex) {
        if (const live::ReplyWords reply = live::replyWords(ex.request, ex.reply); reply.decodable)
            r.words = reply.words;
    });
    return r;
}

} // namespace jobs
