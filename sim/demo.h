#pragma once
#include "core/site/demo.h"
#include "sim/simrecorder.h"

namespace sim {

// The built-in simulated recorder as the programs' --demo recorder.
class Demo final : public site::DemoRecorder {
public:
    bool start(const site::DemoAsk &ask, QString *error) override;
    QString portPath() const override { return m_recorder.portPath(); }
    const PeerWitness *witness() const override { return &m_recorder; }

private:
    SimRecorder m_recorder;
};

} // namespace sim
