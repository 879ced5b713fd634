#pragma once
// The kinds of line the simulated recorder serves, for tests that run the same table over each; a
// link opened on the recorder's line, and a read given the time its reply may take.
#include "core/link/exchange.h"
#include "sim/simrecorder.h"

constexpr sim::SimRecorder::Transport SimLines[] = {sim::SimRecorder::Transport::Pty, sim::SimRecorder::Transport::RtuOverTcp,
                                                    sim::SimRecorder::Transport::ModbusTcp};
constexpr const char *SimLineNames[] = {"pty", "rtu-over-tcp", "tcp"};

// Opens link on the recorder's line, the recorder its witness (Link::setPeerWitness): empty once open.
inline QString openOn(Link &link, const sim::SimRecorder &recorder, int baud = 19200, int com = 0)
{
    link.setPeerWitness(&recorder);
    return link.open(recorder.portPath(), baud, com);
}

// A single read whose reply may take ms.
inline ExchangeKind readWithin(int ms) { ExchangeKind k = kinds::SingleParameterRead; k.firstWaitMs = ms; return k; }
