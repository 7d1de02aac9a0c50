#pragma once
// The link's traffic handed from the threads that see it (the caller's thread for what is sent
// and for the pauses, the receive thread for what comes in) to a reader that takes it in
// batches (the traffic dock). Adding never waits for the reader: the lock is held only to
// append to, or swap out, a buffer, and the buffer keeps the latest `keep` events when the
// reader falls behind.
#include "frame_trace.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

namespace korvelo {

struct TrafficEvent {
    // ToTestSet and FromTestSet: a test set's line, its text in bytes.
    enum class Kind : std::uint8_t { Sent, Received, Pause, Timeout, ToTestSet, FromTestSet };
    std::int64_t atMs = 0; // since the log was made (the program's start)
    Kind kind = Kind::Sent;
    int ms = 0;                      // Pause and Timeout: how long
    std::vector<std::uint8_t> bytes; // Sent and Received: the frame
};

class TrafficLog : public FrameTrace {
  public:
    static constexpr std::size_t kKeep = 20000;
    explicit TrafficLog(std::size_t keep = kKeep);

    void sent(std::span<const std::uint8_t> bytes) override;
    void received(std::span<const std::uint8_t> frame) override;
    void paused(int ms) override;
    void timedOut(int ms) override;
    void instrument(bool sent, std::string_view line) override;

    // Everything added since the last call, oldest first.
    std::deque<TrafficEvent> take();
    // Events dropped because the reader fell more than `keep` behind.
    std::uint64_t dropped() const;
    std::size_t keep() const { return keep_; }

  private:
    void add(TrafficEvent::Kind kind, int ms, std::span<const std::uint8_t> bytes);

    const std::size_t keep_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    mutable std::mutex mutex_;
    std::deque<TrafficEvent> pending_;
    std::uint64_t dropped_ = 0;
};

} // namespace korvelo
