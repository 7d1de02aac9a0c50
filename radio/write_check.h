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

enum class WriteOutcome {
    Confirmed, // acknowledged, and (when checked) read back equal
    NoAnswer,  // no answer to the write within its wait
    Refused,   // an answer other than ACK
    Differs,   // acknowledged, but the radio holds other values (message says which)
    Unchecked, // acknowledged, but the read-back got no answer (message says so)
};

// What the radio holds after a write it did not acknowledge (NoAnswer, Refused): a radio may
// store the bytes and still lose its answer, so the range is read back.
enum class WriteHeld {
    NotRead,  // acknowledged: no such read-back
    Taken,    // the radio holds every byte written
    NotTaken, // it holds other values
    Unknown,  // the read-back got no answer either
};

struct RegionWriteResult {
    WriteOutcome outcome = WriteOutcome::Confirmed;
    std::string message; // for Differs and Unchecked, and after a read-back: what the user is told
    WriteHeld held = WriteHeld::NotRead;
};

// The write under every region write (programRegion in image_record.h, which also records
// it; call that, not this): the write command at the memory's base on an open link by the
// send-and-wait convention, an ACK required, then, when `check`, the read-back of the range.
// A write without an ACK is always read back (two tries a block), and `held` says what came.
RegionWriteResult writeRegionChecked(RadioLink& link, const TuningImage& image,
                                     bool is256BlockMemory, std::uint8_t offset, std::uint8_t count,
                                     int pauseMs, int waitMs, bool check,
                                     RegionWait wait = RegionWait::Bounded);

// "TX power (0x3F16..0x3F1F)": the region table's name for the range, or the range alone.
std::string writtenRangeName(bool is256BlockMemory, std::uint8_t offset, std::size_t count);

} // namespace korvelo
