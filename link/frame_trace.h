#pragma once
// Optional record of every frame sent and every reply frame received (korvelo --trace FILE,
// the traffic dock).
#include <cstdint>
#include <span>
#include <string_view>

namespace korvelo {

class FrameTrace {
  public:
    virtual ~FrameTrace() = default;
    // Both may be called from different threads; implementations serialise.
    virtual void sent(std::span<const std::uint8_t> bytes) = 0;
    virtual void received(std::span<const std::uint8_t> frame) = 0;
    // The pauses of the operations and the waits that ended without a reply (TracedClock),
    // for a trace that shows the timing; a file trace keeps frames only.
    virtual void paused(int /*ms*/) {}
    virtual void timedOut(int /*ms*/) {}
    // A line to (sent) or from an RF test set, beside the radio's frames.
    virtual void instrument(bool /*sent*/, std::string_view /*line*/) {}
};

// Hands everything to two traces (the trace file and the traffic dock).
class TraceTee : public FrameTrace {
  public:
    TraceTee(FrameTrace& a, FrameTrace& b) : a_(a), b_(b) {}
    void sent(std::span<const std::uint8_t> bytes) override {
        a_.sent(bytes);
        b_.sent(bytes);
    }
    void received(std::span<const std::uint8_t> frame) override {
        a_.received(frame);
        b_.received(frame);
    }
    void paused(int ms) override {
        a_.paused(ms);
        b_.paused(ms);
    }
    void timedOut(int ms) override {
        a_.timedOut(ms);
        b_.timedOut(ms);
    }
    void instrument(bool sent, std::string_view line) override {
        a_.instrument(sent, line);
        b_.instrument(sent, line);
    }

  private:
    FrameTrace& a_;
    FrameTrace& b_;
};

} // namespace korvelo
