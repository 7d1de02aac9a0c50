#pragma once
// Our own small serial device layer: POSIX termios on Linux and macOS, Win32 overlapped I/O on
// Windows. The caller's thread writes while the receive thread waits and reads, so the two
// directions must not share state beyond the device handle.
#include "channel.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvelo {

class SerialDevice {
  public:
    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens the device exclusively and applies the line settings. On failure nothing stays
    // open; portOpenFailed tells a device that could not be opened at all (absent, busy, no
    // permission) from settings that could not be applied.
    OpenResult open(const PortSettings& settings);
    void close();

    // Writes every byte, waiting (bounded) while the driver's output queue is full. Returns the
    // count written; fewer on failure.
    std::size_t write(const std::uint8_t* bytes, std::size_t count);
    // Takes up to max waiting bytes; never waits for data. 0 when nothing is waiting.
    std::size_t read(std::uint8_t* buffer, std::size_t max);

    // Receive thread only. prepareWatch sets up what waitForData needs; false when it cannot.
    bool prepareWatch();
    enum class Wake {
        Data,  // bytes are waiting
        Woken, // wake() was called
        Lost,  // the device is gone (cable pulled); no more data will come
    };
    // Blocks, using no CPU, until bytes arrive, wake() is called or the device goes away.
    Wake waitForData();
    void finishWatch();

    // Any thread: ends a pending waitForData at once, and every later one until close.
    void wake();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace korvelo
