#pragma once
// Reading the radio's memory in 64-byte blocks (command 0x02), shared by Tuning Init, the
// read-back after a write and restore.
#include "link/radio_link.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

inline constexpr int kBlockSize = 64;
inline constexpr int kBlockWaitMs = 3000;
using MemoryBlock = std::array<std::uint8_t, kBlockSize>;

// One request for the block at `address` on an open link: send, pause, wait. The block, or
// nothing: a reply with another address (a late or stale answer to an earlier request) or
// another length is not this block. `why`, when given, says why nothing came, as a sentence
// ("No answer to the read of block 0x3F40 within 3,000 ms.").
std::optional<MemoryBlock> readBlockOnce(RadioLink& link, std::uint16_t address, int pauseMs,
                                         std::string* why = nullptr);

// The `count` bytes from `first` on, read block by block on an open link, each block with three
// tries, the pause (130 ms) growing by 10 ms after each failure as in Tuning Init. Nothing
// when a block did not come. `what` names the read in the status line ("read-back").
// `tries` per block (three unless given); `why` as above, for the block that did not come.
std::optional<std::vector<std::uint8_t>> readMemory(RadioLink& link, std::uint16_t first,
                                                    std::size_t count, std::string_view what,
                                                    int tries = 3, std::string* why = nullptr);

} // namespace korvelo
