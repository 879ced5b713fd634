#pragma once
// The kinds of line the simulated recorder serves, for tests that run the same table over each.
#include "sim/simrecorder.h"

constexpr sim::SimRecorder::Transport SimLines[] = {sim::SimRecorder::Transport::Pty, sim::SimRecorder::Transport::RtuOverTcp,
                                                    sim::SimRecorder::Transport::ModbusTcp};
constexpr const char *SimLineNames[] = {"pty", "rtu-over-tcp", "tcp"};
