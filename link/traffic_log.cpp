#include "link/traffic_log.h"

namespace korvelo {

TrafficLog::TrafficLog(std::size_t keep) : keep_(keep == 0 ? 1 : keep) {}

void TrafficLog::add(TrafficEvent::Kind kind, int ms, std::span<const std::uint8_t> bytes) {
    using namespace std::chrono;
    TrafficEvent e;
    e.atMs = duration_cast<milliseconds>(steady_clock::now() - start_).count();
    e.kind = kind;
    e.ms = ms;
    e.bytes.assign(bytes.begin(), bytes.end());
    std::lock_guard lock(mutex_);
    if (pending_.size() >= keep_) {
        pending_.pop_front();
        ++dropped_;
    }
    pending_.push_back(std::move(e));
}

void TrafficLog::sent(std::span<const std::uint8_t> bytes) {
    add(TrafficEvent::Kind::Sent, 0, bytes);
}

void TrafficLog::received(std::span<const std::uint8_t> frame) {
    add(TrafficEvent::Kind::Received, 0, frame);
}

void TrafficLog::paused(int ms) {
    add(TrafficEvent::Kind::Pause, ms, {});
}

void TrafficLog::timedOut(int ms) {
    add(TrafficEvent::Kind::Timeout, ms, {});
}

void TrafficLog::instrument(bool sent, std::string_view line) {
    add(sent ? TrafficEvent::Kind::ToTestSet : TrafficEvent::Kind::FromTestSet, 0,
        {reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
}

std::deque<TrafficEvent> TrafficLog::take() {
    std::deque<TrafficEvent> out;
    std::lock_guard lock(mutex_);
    out.swap(pending_);
    return out;
}

std::uint64_t TrafficLog::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

} // namespace korvelo
