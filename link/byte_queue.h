#pragma once
// The receive queue of a channel: a ring of 1024 bytes that holds the bytes taken during one
// receive event. One slot always stays free, so it holds at most 1023 bytes.
#include <array>
#include <cstddef>
#include <cstdint>

namespace korvelo {

class ByteQueue {
  public:
    static constexpr std::size_t kSize = 1024;

    std::size_t count() const { return (tail_ - head_ + kSize) % kSize; }
    // False (and nothing stored) when the queue already holds 1023 bytes.
    bool append(std::uint8_t b);
    // Takes the oldest byte; false when the queue is empty.
    bool take(std::uint8_t& b);
    // Empties the queue and zeroes its storage.
    void clear();

  private:
    std::array<std::uint8_t, kSize> bytes_{};
    std::size_t tail_ = 0; // next write position
    std::size_t head_ = 0; // next read position
};

} // namespace korvelo
