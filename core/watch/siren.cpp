#include "core/watch/siren.h"
#include "core/link/frames.h"
#include <QCoreApplication>

namespace watch {

QString Siren::name() const
{
    return QCoreApplication::translate("watch", "%1 地址 %2 线圈 %3").arg(m_settings.port).arg(m_settings.address).arg(m_settings.coil);
}

std::optional<QString> Siren::follow(bool on)
{
    m_heldBack = false;
    if (m_state == on)
        return std::nullopt;
    auto hold = m_link.tryHold(Link::Visibility::Quiet);
    m_heldBack = !hold;
    if (!hold)
        return std::nullopt;
    const QByteArray request = modbus::writeCoil(m_settings.address, m_settings.coil, on, m_settings.onValue);
    const Exchange x = m_link.exchange(*hold, kinds::SetCoil, request);
    // A coil write is answered by its own echo; anything else leaves the coil where it may be.
    if (x.valid() && x.reply == request) {
        m_state = on;
        return QString();
    }
    m_state.reset();
    return x.sent ? QCoreApplication::translate("watch", "%1 没有接受%2的命令（%3）")
                        .arg(name(), on ? QCoreApplication::translate("watch", "打开") : QCoreApplication::translate("watch", "关闭"),
                             modbus::describeReply(x.info))
                  : QCoreApplication::translate("watch", "%1 的线路没有打开，开关命令没有发出").arg(name());
}

} // namespace watch
