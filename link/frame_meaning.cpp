#include "link/frame_meaning.h"

#include "link/command_frame.h"
#include "link/reply_frame.h"

#include <cstdio>

namespace korvelo {

namespace {

using namespace FrameByte;

std::string hex(unsigned v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
    return buf;
}

unsigned be16(std::span<const std::uint8_t> f, std::size_t at) {
    return at + 1 < f.size() ? (unsigned{f[at]} << 8) | f[at + 1] : 0;
}

unsigned byteAt(std::span<const std::uint8_t> f, std::size_t at) {
    return at < f.size() ? f[at] : 0;
}

// The checksum (marker through the last data byte) and the end byte.
bool intact(std::span<const std::uint8_t> f) {
    if (f.size() < 5 || f.back() != kEnd)
        return false;
    return CommandFrame::checksum(f.subspan(1, f.size() - 3)) == f[f.size() - 2];
}

// An information reply's payload as text, unprintable bytes escaped.
std::string payloadText(std::span<const std::uint8_t> f) {
    const std::size_t length = be16(f, 3);
    std::string text = "\"";
    for (std::size_t i = 5; i < 5 + length && i + 2 < f.size(); ++i) {
        const auto c = f[i];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            text.push_back(static_cast<char>(c));
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            text += buf;
        }
    }
    return text + "\"";
}

std::string commandMeaning(std::span<const std::uint8_t> f) {
    const unsigned value = byteAt(f, 5); // the one data byte of the value commands
    switch (static_cast<Cmd>(f[2])) {
    case Cmd::WriteRegion:
        return "write " + hex(be16(f, 3), 4) + ", " + std::to_string(byteAt(f, 6)) + " bytes";
    case Cmd::ReadBlock:
        return "read block " + hex(be16(f, 3), 4) + ", " + std::to_string(be16(f, 5)) + " bytes";
    case Cmd::EnterTunerMode:
        return "enter tuner mode";
    case Cmd::LeaveTunerMode:
        return "leave tuner mode";
    case Cmd::TxSetup:
        return "transmit set-up block";
    case Cmd::Modulation:
        return "modulation value " + std::to_string(value);
    case Cmd::PowerValue:
        return "power value " + std::to_string(value);
    case Cmd::SquelchValue:
        return "squelch value " + std::to_string(value);
    case Cmd::SubAudioOn:
        return "sub-audio on, value " + std::to_string(value);
    case Cmd::SubAudioOff:
        return "sub-audio off";
    case Cmd::ZelOn:
        return "ZEL transmit on";
    case Cmd::ZelOff:
        return "ZEL transmit off";
    case Cmd::ZelValue:
        return "ZEL value " + std::to_string(value);
    case Cmd::ZelCheck:
        return "ZEL check";
    case Cmd::FwVersion:
        return "read FW version";
    case Cmd::Reset:
        return "reset";
    case Cmd::SerialNumber:
        return "read serial number";
    case Cmd::RadioType:
        return "read radio type";
    case Cmd::CountryCode:
        return "read country code";
    case Cmd::PttOn:
        return "PTT on";
    case Cmd::PttOff:
        return "PTT off";
    case Cmd::RadioFlags:
        return "read radio flags";
    case Cmd::CmxRegister:
        return "CMX148 register $" + hex(value, 2).substr(2) + " = " + hex(byteAt(f, 6), 2);
    }
    return "command " + hex(f[2], 2);
}

std::string replyMeaning(std::span<const std::uint8_t> f) {
    const std::uint8_t code = f[2];
    if (code == kAck)
        return "ACK";
    if (code == kNak)
        return "NAK";
    if (code == kBlockData)
        return "block " + hex(be16(f, 3), 4) + ", " + std::to_string(be16(f, 5)) + " bytes";
    if (code == informationReplyTo(Cmd::FwVersion))
        return "FW version " + payloadText(f);
    if (code == informationReplyTo(Cmd::SerialNumber))
        return "serial number " + payloadText(f);
    if (code == informationReplyTo(Cmd::RadioType))
        return "radio type " + std::to_string(byteAt(f, 5));
    if (code == informationReplyTo(Cmd::CountryCode))
        return "country code " + std::to_string(byteAt(f, 5));
    if (code == informationReplyTo(Cmd::RadioFlags)) {
        const unsigned flags = byteAt(f, 5);
        return "radio flags " + hex(flags, 2) + " (" + ((flags & 0x10) ? "256" : "128") +
               " blocks, " + ((flags & 0x20) ? "CMX148" : "AK2347") + ")";
    }
    return "reply " + hex(code, 2);
}

} // namespace

std::string describeCommandFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < 5 || frame[0] != kStart || frame[1] != kCommandMarker)
        return "not a command frame";
    const std::string meaning = commandMeaning(frame);
    return intact(frame) ? meaning : meaning + " (damaged frame)";
}

std::string describeReplyFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < 5 || frame[0] != kStart || frame[1] != kReplyMarker)
        return "not a reply frame";
    const std::string meaning = replyMeaning(frame);
    return intact(frame) ? meaning : meaning + " (damaged frame)";
}

} // namespace korvelo
