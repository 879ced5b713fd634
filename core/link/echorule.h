#pragma once
#include "core/link/echomode.h"
#include "core/link/frames.h"
#include <QByteArray>
#include <QSet>
#include <QString>

// Local echo of the adapter. On a port known to echo (or with On), every exchange expects its request
// back before the reply and drops it. Auto learns that a port echoes from a read (03/04: its reply never
// equals the request) whose bytes start with the very request sent, and keeps it for the port's name
// while the program runs.
class EchoRule {
public:
    void setMode(EchoMode mode) { m_mode = mode; }
    EchoMode mode() const { return m_mode; }

    bool expected(const QString &port) const
    {
        return m_mode == EchoMode::On || (m_mode == EchoMode::Auto && m_ports.contains(port));
    }
    // How many of the bytes received on port are the echo of request. Only the whole request counts as
    // its echo: an echo cut short or spoiled stays in what came, and the reply fails as any garbled
    // reply does. Where the echo is not known yet, only a read can show it, as a read's reply never
    // equals its request (a write's normal reply does).
    qsizetype length(const QString &port, const QByteArray &request, const QByteArray &received) const
    {
        if (m_mode == EchoMode::Off || !received.startsWith(request))
            return 0;
        return modbus::isRead(request) || expected(port) ? request.size() : 0;
    }
    // The bytes so far may be the start of an echo, which is no reply even should it pass for one.
    bool mayStartEcho(const QByteArray &request, const QByteArray &received) const
    {
        return m_mode != EchoMode::Off && received.size() < request.size() && request.startsWith(received);
    }
    // Notes that port echoes; true the first time (said once, then expected on every exchange).
    bool learn(const QString &port)
    {
        if (m_ports.contains(port))
            return false;
        m_ports.insert(port);
        return true;
    }

private:
    EchoMode m_mode = EchoMode::Auto;
    QSet<QString> m_ports;  // names of the ports seen echoing
};
