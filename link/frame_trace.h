#pragma once
// Optional record of every frame sent and every reply frame received (korvelo --trace FILE).
#include <cstdint>
#include <span>

namespace korvelo {

class FrameTrace {
  public:
    virtual ~FrameTrace() = default;
    // Both may be called from different threads; implementations serialise.
    virtual void sent(std::span<const std::uint8_t> bytes) = 0;
    virtual void received(std::span<const std::uint8_t> frame) = 0;
};

} // namespace korvelo
