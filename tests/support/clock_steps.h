#pragma once
// Short names for the steps a VirtualClock records, so sequence tests read like the timeline
// they assert: sleep(100), wait(5000), wait(2500, false) for a wait that timed out.
#include "link/clock.h"

namespace korvelo::timeline {

inline VirtualClock::Step sleep(int ms) {
    return {VirtualClock::Step::Sleep, ms, false};
}
inline VirtualClock::Step wait(int ms, bool signalled = true) {
    return {VirtualClock::Step::Wait, ms, signalled};
}

} // namespace korvelo::timeline
