#include "core/link/cancel.h"

CommandCancel::CommandCancel() : m_state(std::make_shared<State>()) {}

CommandCancel CommandCancel::part() const
{
    CommandCancel p;
    // The callback belongs to the part's state, so it is unregistered when the part is gone.
    p.m_state->whole.emplace(token(), [whole = m_state, part = p.m_state.get()] {
        if (!part->source.stop_requested()) {
            part->reason = whole->reason;
            part->source.request_stop();
        }
    });
    return p;
}

void CommandCancel::cancel(CancelReason why) const
{
    if (cancelled())
        return;
    m_state->reason = why;
    m_state->source.request_stop();  // runs the waits' callbacks (and the parts') now
}

std::optional<CancelReason> CommandCancel::reason() const
{
    return cancelled() ? std::optional(m_state->reason) : std::nullopt;
}
