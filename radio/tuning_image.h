#pragma once
// The 256-byte copy of the radio's tuning area.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace korvelo {

class TuningImage {
  public:
    static constexpr std::size_t kSize = 256;
    std::uint8_t& operator[](std::size_t i) { return bytes_[i]; }
    std::uint8_t operator[](std::size_t i) const { return bytes_[i]; }
    std::span<std::uint8_t, kSize> bytes() { return bytes_; }
    std::span<const std::uint8_t, kSize> bytes() const { return bytes_; }
    void clear() { bytes_.fill(0); }
    bool operator==(const TuningImage&) const = default;

  private:
    std::array<std::uint8_t, kSize> bytes_{};
};

} // namespace korvelo
