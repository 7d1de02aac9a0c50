#include "radio/block_read.h"

#include "link/command_frame.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace korvelo {

namespace {
constexpr int kBlockDataAt = 4; // block bytes in replyData after code and address
constexpr int kBlockPauseMs = 130;

std::string hex4(unsigned v) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFFu);
    return buf;
}
} // namespace

std::optional<MemoryBlock> readBlockOnce(RadioLink& link, std::uint16_t address, int pauseMs,
                                         std::string* why) {
    const bool answered = link.sendAndWait(CommandFrame::readBlock(address), pauseMs, kBlockWaitMs);
    const std::string name = "block " + hex4(address);
    const std::uint8_t status = link.replyStatus();
    if (status != kStatusData) {
        if (why)
            *why = !answered              ? "No answer to the read of " + name + " within 3,000 ms."
                   : status == kStatusNak ? "The radio refused the read of " + name + " (NAK)."
                   : status == kStatusAck
                       ? "The radio answered the read of " + name + " with an ACK, not the data."
                       : "The answer to the read of " + name +
                             " could not be read (a bad checksum or a broken frame).";
        return std::nullopt;
    }
    link.clearReplyStatus();
    const auto data = link.replyDataCopy();
    if (data[0] != (address >> 8) || data[1] != (address & 0xFF) || data[2] != 0 ||
        data[3] != kBlockSize) {
        if (why)
            *why = "The answer to the read of " + name + " carried block " +
                   hex4((unsigned{data[0]} << 8) | data[1]) + " (" +
                   std::to_string((unsigned{data[2]} << 8) | data[3]) + " bytes).";
        return std::nullopt;
    }
    MemoryBlock block{};
    std::copy_n(data.begin() + kBlockDataAt, kBlockSize, block.begin());
    return block;
}

std::optional<std::vector<std::uint8_t>> readMemory(RadioLink& link, std::uint16_t first,
                                                    std::size_t count, std::string_view what,
                                                    int tries, std::string* why) {
    std::vector<std::uint8_t> out;
    out.reserve(count);
    const std::size_t end = std::size_t{first} + count;
    int failures = 0;
    for (std::size_t block = first / kBlockSize; block * kBlockSize < end; ++block) {
        const auto address = static_cast<std::uint16_t>(block * kBlockSize);
        std::optional<MemoryBlock> got;
        for (int attempt = 1; attempt <= tries && !got; ++attempt) {
            link.waitingFor(std::string(what) + " of " + hex4(address), attempt, tries);
            got = readBlockOnce(link, address, kBlockPauseMs + 10 * failures, why);
            if (!got)
                ++failures;
        }
        if (!got)
            return std::nullopt;
        for (std::size_t a = std::max<std::size_t>(first, address);
             a < std::min<std::size_t>(end, std::size_t{address} + kBlockSize); ++a)
            out.push_back((*got)[a - address]);
    }
    return out;
}

} // namespace korvelo
