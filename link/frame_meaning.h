#pragma once
// What a frame on the line means to a technician, for the traffic dock: "read block 0x3F40,
// 64 bytes", "power value 33", "write 0x3F16, 10 bytes", "PTT on" for commands; "ACK", "NAK",
// "block 0x3F40, 64 bytes", "radio type 5" for replies. A damaged frame says so.
#include <cstdint>
#include <span>
#include <string>

namespace korvelo {

std::string describeCommandFrame(std::span<const std::uint8_t> frame);
std::string describeReplyFrame(std::span<const std::uint8_t> frame);

} // namespace korvelo
