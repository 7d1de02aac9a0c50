#pragma once
// A request to stop the program (SIGINT, SIGTERM, SIGHUP, a closed console). From then on a
// link sends only the frames that leave the radio safe (transmitter off, sub-audio and ZEL
// transmission off, leave tuner mode, reset): the operation in progress ends at once, without
// waiting for answers to frames it no longer sends, and the program can unkey and leave tuner
// mode before it exits.
#include <cstdint>
#include <span>

namespace korvelo {

// Safe to call from a signal handler.
void requestStop(int signal) noexcept;
// The signal that asked to stop, 0 while none has.
int stopSignal() noexcept;
// For tests, which ask more than once in one process.
void clearStopRequest() noexcept;

// Whether a command frame (02 02 code ...) only makes the radio safer.
bool isSafetyFrame(std::span<const std::uint8_t> frame);

} // namespace korvelo
