#pragma once
#include "core/link/exchange.h"
#include "core/watch/watchsettings.h"
#include <optional>

// The siren or strobe behind a relay module's coil: switched through the line's link like every
// exchange (its hold, its silences, its trust), and only when it is not known to be where it should be:
// a switch that did not take is tried again at the next chance.
namespace watch {

class Siren {
public:
    Siren(SirenSettings settings, Link &link) : m_settings(std::move(settings)), m_link(link) {}

    // "COM4 地址 30 线圈 0": what an alarm about the siren names it.
    QString name() const;
    // The coil switched to on unless the last switch that took left it so. Nothing when nothing was
    // needed or the bus is another command's now (heldBack() then); otherwise an empty text when the
    // switch took, a sentence when it failed.
    std::optional<QString> follow(bool on);
    // The last switch wanted waits for the bus.
    bool heldBack() const { return m_heldBack; }
    const SirenSettings &settings() const { return m_settings; }

private:
    SirenSettings m_settings;
    Link &m_link;
    std::optional<bool> m_state;  // as the last switch that took left it; none before the first
    bool m_heldBack = false;
};

} // namespace watch
