#pragma once
// A channel carries command bytes to the radio and feeds the reply bytes it receives into a
// set of reply objects. CommChannel is the real one (a serial port and its receive thread);
// the simulated radio offers an in-memory one for sequence tests.
#include "notifier.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvelo {

struct PortSettings {
    std::string portName; // device name to open (COM3, \\.\COM12, /dev/ttyUSB0)
    std::uint32_t baudRate = 19200;
    std::uint8_t dataBits = 8;
    std::uint8_t stopBits = 2; // 0 one, 1 one and a half, 2 two
    std::uint8_t parity = 0;   // 0 none
};

// Why a second channel of this program is refused while one is open.
inline constexpr const char* kLinkHeldText =
    "The radio link is already in use by another operation of this program.";

struct OpenResult {
    bool ok = false;
    // The device itself could not be opened (absent, busy, no permission): the caller shows
    // "Fail Port open" and sets portFault. False for the quieter failures (settings, thread).
    bool portOpenFailed = false;
    std::string reason; // the system's reason in plain words, for the message's second line
};

class Channel {
  public:
    virtual ~Channel() = default;
    virtual OpenResult open(const PortSettings& settings) = 0;
    // After close returns, nothing touches the channel from another thread any more.
    virtual void close() = 0;
    // Bytes written; 0 when the channel is not open or the write failed.
    virtual std::size_t write(const std::uint8_t* bytes, std::size_t count) = 0;
    virtual bool isOpen() const = 0;
    // Messages raised on the receive thread ("buff full", ...), handed over to the caller's
    // thread to be shown there.
    virtual std::vector<Notice> takeNotices() { return {}; }
};

} // namespace korvelo
