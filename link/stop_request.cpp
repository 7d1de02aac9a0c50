#include "link/stop_request.h"

#include "link/command_frame.h"

#include <atomic>

namespace korvelo {

namespace {
std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler stores it");
} // namespace

void requestStop(int signal) noexcept {
    g_stopSignal.store(signal == 0 ? -1 : signal);
}

int stopSignal() noexcept {
    return g_stopSignal.load();
}

void clearStopRequest() noexcept {
    g_stopSignal.store(0);
}

bool isSafetyFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3)
        return false;
    switch (static_cast<Cmd>(frame[2])) {
    case Cmd::PttOff:
    case Cmd::SubAudioOff:
    case Cmd::ZelOff:
    case Cmd::LeaveTunerMode:
    case Cmd::Reset:
        return true;
    default:
        return false;
    }
}

} // namespace korvelo
