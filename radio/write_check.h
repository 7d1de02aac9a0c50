#pragma once
// The read-back after a write to the radio's memory: the 64-byte block or blocks that hold the
// written bytes are read with the block-read command (the radio in tuner mode) and compared
// with what was sent.
#include "link/radio_link.h"
#include "radio/tuning_regions.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvelo {

struct ByteDifference {
    std::uint16_t address; // in the radio's memory
    std::uint8_t wrote;
    std::uint8_t read;
    bool operator==(const ByteDifference&) const = default;
};

enum class CheckOutcome {
    Same,     // the radio holds every byte written
    Differs,  // it holds others; `differences` lists them
    NoAnswer, // a block could not be read back (three tries): nothing is known
};

struct WriteCheck {
    CheckOutcome outcome = CheckOutcome::Same;
    std::vector<ByteDifference> differences;
};

// Reads back image bytes offset..offset + wrote.size() - 1 on an open link and compares them
// with `wrote`. Each block gets three tries, the pause growing by 10 ms after each failure as
// in Tuning Init.
WriteCheck checkWritten(RadioLink& link, bool is256BlockMemory, std::uint8_t offset,
                        std::span<const std::uint8_t> wrote);

// The message for a check that did not come out Same, naming the region:
// "The radio holds other values than were written: 0x3F1A: wrote 33, read 31" (up to three
// bytes, decimal values as the pages show them), then a line with the region and the count;
// or that the read-back did not answer.
std::string checkMessage(const WriteCheck& check, bool is256BlockMemory, std::uint8_t offset,
                         std::size_t count);

// "TX power (0x3F16..0x3F1F)": the region table's name for the range, or the range alone.
std::string writtenRangeName(bool is256BlockMemory, std::uint8_t offset, std::size_t count);

} // namespace korvelo
