#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

// Why a device command ended before its end.
enum class CancelReason {
    Stop,      // a stop button
    Closing,   // the window is closing: nobody reads a message any more
    PortLost,  // the serial port went away
};

// The cancel of one device command. Whoever may end the command (its stop button, the window
// closing, a lost port) cancels it with the reason; every wait of the command watches token() and
// ends at once. Copies share one state. A part of a command (a module's download) can be cancelled
// on its own, and is cancelled with the same reason when the whole command is.
class CommandCancel {
public:
    CommandCancel();

    CommandCancel part() const;
    // The first reason holds: a later cancel changes nothing.
    void cancel(CancelReason why) const;
    bool cancelled() const { return m_state->source.stop_requested(); }
    std::optional<CancelReason> reason() const;
    std::stop_token token() const { return m_state->source.get_token(); }

private:
    struct State {
        std::stop_source source;
        CancelReason reason = CancelReason::Stop;
        std::optional<std::stop_callback<std::function<void()>>> whole;  // a part: follows its whole
    };
    std::shared_ptr<State> m_state;
};
