#pragma once
// A whole bench for sequence tests in one line: virtual clock, reply objects, recording
// notifier, the simulated radio behind an in-memory port, and a session.
//
//   SimBench bench;
//   bench.radio.radioFlags = 0x10;
//   TuningInit(bench.env());
//   EXPECT_EQ(bench.radio.receivedFrames().size(), 7u);
#include "link/clock.h"
#include "link/notifier.h"
#include "link/reply_objects.h"
#include "radio/radio_state.h"
#include "sim/radio_model.h"
#include "sim/sim_port.h"

namespace korvelo {

struct SimBench {
    VirtualClock clock;
    ReplyObjects replies;
    RecordingNotifier notifier;
    sim::RadioModel radio;
    sim::SimPortProvider ports{radio, clock};
    Session session;

    AppEnv env() { return AppEnv{session, replies, clock, notifier, ports}; }
    LinkEnv linkEnv() { return env().linkEnv(); }
};

} // namespace korvelo
