#include "sim/demo.h"
#include <QDateTime>

namespace sim {

bool Demo::start(const site::DemoAsk &ask, QString *error)
{
    if (!m_recorder.start(error))
        return false;
    if (ask.baud > 0)
        m_recorder.setLineBaud(ask.baud);
    if (ask.onlyThese)
        for (uint8_t a : m_recorder.addresses())
            if (!ask.addresses.contains(a))
                m_recorder.removeDevice(a);
    const QDateTime first = QDateTime::currentDateTime().addSecs(-qint64(ask.records) * 60);
    for (uint8_t a : ask.addresses) {
        m_recorder.addDevice(a);
        m_recorder.setRecords(SimRecorder::demoRecords(ask.records, first, ask.sensors), a);
    }
    for (uint8_t a : ask.relays)
        m_recorder.addRelay(a);
    return true;
}

} // namespace sim
