#pragma once
// The bytes of the frame envelope and the reply codes, shared by the reply assembler and the
// simulated radio so the two sides of the line cannot drift apart.
#include "command_frame.h"

#include <cstdint>

namespace korvelo::FrameByte {

inline constexpr std::uint8_t kStart = 0x02;         // STX
inline constexpr std::uint8_t kEnd = 0x03;           // ETX
inline constexpr std::uint8_t kCommandMarker = 0x02; // PC to radio
inline constexpr std::uint8_t kReplyMarker = 0x10;   // radio to PC

// Reply codes.
inline constexpr std::uint8_t kBlockData = 0x03; // the answer to a block read
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

// An information reply carries the code of the command it answers, plus one.
constexpr std::uint8_t informationReplyTo(Cmd c) {
    return static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) + 1);
}

constexpr bool isInformationReply(std::uint8_t code) {
    for (Cmd c :
         {Cmd::FwVersion, Cmd::SerialNumber, Cmd::RadioType, Cmd::CountryCode, Cmd::RadioFlags})
        if (code == informationReplyTo(c))
            return true;
    return false;
}

} // namespace korvelo::FrameByte
