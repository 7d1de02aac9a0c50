#include "radio/write_check.h"

#include "link/command_frame.h"
#include "radio/block_read.h"

#include <cstdio>

namespace korvelo {

namespace {

constexpr std::size_t kListed = 3;

std::string hex4(unsigned v) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFFu);
    return buf;
}

} // namespace

namespace {

constexpr int kUnackedReadTries = 2; // a late ACK may spoil the first

// The read-back after a write that got no ACK: what the radio holds decides what it took.
RegionWriteResult unacknowledged(RadioLink& link, bool is256BlockMemory, std::uint8_t offset,
                                 std::span<const std::uint8_t> wrote, WriteOutcome outcome) {
    const std::string region = writtenRangeName(is256BlockMemory, offset, wrote.size());
    const std::string unacked = outcome == WriteOutcome::Refused
                                    ? "The radio refused the write of " + region
                                    : "The radio did not acknowledge the write of " + region;
    const unsigned first = (unsigned{tuningBase(is256BlockMemory)} << 8) + offset;
    std::string why;
    const auto held = readMemory(link, static_cast<std::uint16_t>(first), wrote.size(), "read-back",
                                 kUnackedReadTries, &why);
    if (!held)
        return {outcome,
                unacked + ", and the read-back got no answer: it is not known what it holds.\n" +
                    why,
                WriteHeld::Unknown};
    std::size_t same = 0;
    for (std::size_t i = 0; i < wrote.size(); ++i)
        same += wrote[i] == (*held)[i];
    if (same == wrote.size())
        return {outcome, unacked + ", but reading it back shows it holds the bytes written.",
                WriteHeld::Taken};
    return {outcome,
            unacked + ": reading it back shows it did not take them (" +
                std::to_string(wrote.size() - same) + " of " + std::to_string(wrote.size()) +
                (wrote.size() == 1 ? " byte" : " bytes") + " differ).",
            WriteHeld::NotTaken};
}

} // namespace

WriteCheck checkWritten(RadioLink& link, bool is256BlockMemory, std::uint8_t offset,
                        std::span<const std::uint8_t> wrote) {
    WriteCheck check;
    if (wrote.empty())
        return check;
    const unsigned first = (unsigned{tuningBase(is256BlockMemory)} << 8) + offset;
    const auto held =
        readMemory(link, static_cast<std::uint16_t>(first), wrote.size(), "read-back");
    if (!held) {
        check.outcome = CheckOutcome::NoAnswer;
        return check;
    }
    for (std::size_t i = 0; i < wrote.size(); ++i)
        if (wrote[i] != (*held)[i])
            check.differences.push_back(
                {static_cast<std::uint16_t>(first + i), wrote[i], (*held)[i]});
    check.outcome = check.differences.empty() ? CheckOutcome::Same : CheckOutcome::Differs;
    return check;
}

RegionWriteResult writeRegionChecked(RadioLink& link, const TuningImage& image,
                                     bool is256BlockMemory, std::uint8_t offset, std::uint8_t count,
                                     int pauseMs, int waitMs, bool check, RegionWait wait) {
    const auto bytes = image.bytes().subspan(offset, count);
    const std::string frame =
        CommandFrame::writeRegion(tuningBase(is256BlockMemory), offset, bytes);
    const bool answered = wait == RegionWait::Pumped
                              ? link.sendAndWaitPumped(frame, pauseMs, waitMs)
                              : link.sendAndWait(frame, pauseMs, waitMs);
    if (!answered || link.replyStatus() != kStatusAck) {
        link.clearReplyStatus();
        return unacknowledged(link, is256BlockMemory, offset, bytes,
                              answered ? WriteOutcome::Refused : WriteOutcome::NoAnswer);
    }
    link.clearReplyStatus();
    if (!check)
        return {WriteOutcome::Confirmed, {}};
    const WriteCheck result = checkWritten(link, is256BlockMemory, offset, bytes);
    switch (result.outcome) {
    case CheckOutcome::Same:
        return {WriteOutcome::Confirmed, {}};
    case CheckOutcome::Differs:
        return {WriteOutcome::Differs, checkMessage(result, is256BlockMemory, offset, count)};
    case CheckOutcome::NoAnswer:
        break;
    }
    return {WriteOutcome::Unchecked, checkMessage(result, is256BlockMemory, offset, count)};
}

std::string writtenRangeName(bool is256BlockMemory, std::uint8_t offset, std::size_t count) {
    const unsigned base = unsigned{tuningBase(is256BlockMemory)} << 8;
    const std::string range =
        hex4(base + offset) + (count > 1 ? ".." + hex4(base + offset + count - 1) : "");
    for (const Region& r : kRegions)
        if (r.offset == offset && r.count == count)
            return std::string(ownerName(r.owner)) + " (" + range + ")";
    return range;
}

std::string checkMessage(const WriteCheck& check, bool is256BlockMemory, std::uint8_t offset,
                         std::size_t count) {
    const std::string region = writtenRangeName(is256BlockMemory, offset, count);
    if (check.outcome == CheckOutcome::NoAnswer)
        return "The radio did not answer the read-back of what was written: it is not known "
               "what it holds.\n" +
               region;
    std::string text = "The radio holds other values than were written: ";
    for (std::size_t i = 0; i < check.differences.size() && i < kListed; ++i) {
        const ByteDifference& d = check.differences[i];
        text += (i ? "; " : "") + hex4(d.address) + ": wrote " + std::to_string(d.wrote) +
                ", read " + std::to_string(d.read);
    }
    const std::size_t n = check.differences.size();
    text += "\n" + region + ": " + std::to_string(n) + " of " + std::to_string(count) +
            (count == 1 ? " byte" : " bytes") + (n == 1 ? " differs." : " differ.");
    return text;
}

} // namespace korvelo
