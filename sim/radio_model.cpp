#include "sim/radio_model.h"

#include "link/reply_frame.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace korvelo::sim {

namespace {
using namespace FrameByte;
constexpr std::size_t kMaxBlock = 64;

std::uint8_t code(Cmd c) {
    return static_cast<std::uint8_t>(c);
}

std::uint16_t be16(std::uint8_t hi, std::uint8_t lo) {
    return static_cast<std::uint16_t>((hi << 8) | lo);
}

// Appends the checksum (marker through the last byte so far) and the end byte.
std::vector<std::uint8_t> finish(std::vector<std::uint8_t> frame) {
    const auto sum = std::accumulate(frame.begin() + 1, frame.end(), 0u);
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(kEnd);
    return frame;
}

// Data bytes a count-and-data command must carry.
std::size_t expectedCount(std::uint8_t c) {
    switch (static_cast<Cmd>(c)) {
    case Cmd::TxSetup:
        return 9;
    case Cmd::CmxRegister:
        return 2;
    default:
        return 1;
    }
}
} // namespace

RadioModel::RadioModel() {
    for (std::size_t a = 0; a < kEepromSize; ++a)
        eeprom[a] = factoryByte(a);
}

std::uint8_t RadioModel::factoryByte(std::size_t address) {
    // The power softpots of a factory-aligned radio (High, Low for points 1 to 5), so a
    // demonstration starts from values a technician would recognise.
    static constexpr std::uint8_t kPower[10] = {52, 24, 50, 23, 49, 21, 47, 20, 45, 18};
    const std::size_t offset = address & 0xFF;
    const bool tuningArea = (address >> 8) == 0x1F || (address >> 8) == 0x3F;
    const int big = (address >> 8) == 0x3F ? 3 : 0;
    if (tuningArea && offset >= 0x16 && offset <= 0x1F)
        return static_cast<std::uint8_t>(kPower[offset - 0x16] + big);
    // Deviation and squelch softpots by spacing (12.5, 25, 20 kHz), rising a step a point, and
    // every frequency point present in both point masks.
    static constexpr int kAkDeviation[3] = {28, 44, 36};  // 0x02 + spacing + 4 per point
    static constexpr int kCmxDeviation[3] = {20, 40, 32}; // 0x83 + 5 per spacing + point
    static constexpr int kSquelch[3][2] = {{20, 28}, {18, 26}, {19, 27}}; // Normal, Tight
    if (tuningArea && offset >= 0x02 && offset <= 0x15 && (offset - 0x02) % 4 != 3)
        return static_cast<std::uint8_t>(kAkDeviation[(offset - 0x02) % 4] + (offset - 0x02) / 4 +
                                         big);
    if (tuningArea && offset >= 0x83 && offset <= 0x91)
        return static_cast<std::uint8_t>(kCmxDeviation[(offset - 0x83) / 5] + (offset - 0x83) % 5 +
                                         big);
    if (tuningArea && offset >= 0x20 && offset <= 0x3D) {
        const std::size_t i = offset - 0x20;
        return static_cast<std::uint8_t>(kSquelch[i / 10][i % 2] + i % 10 / 2 + big);
    }
    if (tuningArea && (offset == 0x50 || offset == 0x52))
        return 0x0F;
    // Audio-processor register settings within their lists and scales, as the register pages
    // show them on a real radio.
    static constexpr std::pair<std::uint8_t, std::uint8_t> kRegisters[] = {
        {0x62, 0x64}, // VR5 and VR1 at 0.0 dB
        {0x71, 5},    {0x72, 7},    {0x73, 6},    {0x74, 5},    {0x75, 7},    {0x76, 6},
        {0x77, 4},    {0x78, 6},    {0x79, 5},    {0x7A, 5},    {0x7B, 7},    {0x7C, 6},
        {0x7D, 7},    {0x7E, 2},    {0x7F, 0},    {0x80, 1},    {0x81, 1},    {0x82, 0},
        {0x92, 3},    {0x93, 0},    {0x94, 2},    {0x95, 2},    {0x96, 1},    {0x97, 20},
        {0xA1, 0},    {0xA2, 0},    {0xA3, 1},    {0xA4, 0x2C}, {0xA5, 0x24}, {0xA6, 0x2C},
        {0xA9, 0x80}, {0xAA, 0x0A}, {0xC0, 6},    {0xC1, 7},    {0xC2, 12},   {0xC3, 2},
        {0xC4, 1},    {0xC5, 0x60}, {0xC6, 0x60}, {0xC7, 0x61}, {0xC8, 0x2C}, {0xC9, 0x24},
        {0xCA, 0x2C}, {0xCB, 30},   {0xCC, 40},   {0xCD, 36},
    };
    if (tuningArea)
        for (const auto& [at, value] : kRegisters)
            if (offset == at)
                return value;
    // Elsewhere a pattern: 73 is odd, so the bytes of one page all differ; the page term makes
    // the pages differ.
    return static_cast<std::uint8_t>(address * 73 + (address >> 8) * 31 + 0x35);
}

std::size_t RadioModel::memorySize() const {
    return (radioFlags & kFlag256Block) ? kEepromSize : kEepromSize / 2;
}

std::uint16_t RadioModel::tuningBase() const {
    return (radioFlags & kFlag256Block) ? 0x3F00 : 0x1F00;
}

std::span<std::uint8_t, RadioModel::kTuningSize> RadioModel::tuningArea() {
    return std::span<std::uint8_t, kTuningSize>(eeprom.data() + tuningBase(), kTuningSize);
}

std::span<const std::uint8_t, RadioModel::kTuningSize> RadioModel::tuningArea() const {
    return std::span<const std::uint8_t, kTuningSize>(eeprom.data() + tuningBase(), kTuningSize);
}

void RadioModel::setTuningArea(std::span<const std::uint8_t, kTuningSize> bytes) {
    std::copy(bytes.begin(), bytes.end(), tuningArea().begin());
}

void RadioModel::scriptAnswers(Cmd c, std::vector<Answer> answers) {
    scripted_[code(c)] = std::move(answers);
}

Answer RadioModel::nextScripted(std::uint8_t c) {
    auto it = scripted_.find(c);
    if (it == scripted_.end() || it->second.empty())
        return Answer::Normal;
    const Answer a = it->second.front();
    it->second.erase(it->second.begin());
    return a;
}

std::vector<std::vector<std::uint8_t>> RadioModel::receivedFrames() const {
    std::vector<std::vector<std::uint8_t>> frames;
    frames.reserve(received_.size());
    for (const ReceivedFrame& f : received_)
        frames.push_back(f.bytes);
    return frames;
}

std::vector<std::uint8_t> RadioModel::ackFrame() {
    return finish({kStart, kReplyMarker, kAck});
}
std::vector<std::uint8_t> RadioModel::nakFrame() {
    return finish({kStart, kReplyMarker, kNak});
}

std::vector<std::uint8_t> RadioModel::infoFrame(std::uint8_t replyCode,
                                                std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> f{kStart, kReplyMarker, replyCode,
                                static_cast<std::uint8_t>(data.size() >> 8),
                                static_cast<std::uint8_t>(data.size())};
    f.insert(f.end(), data.begin(), data.end());
    return finish(std::move(f));
}

std::vector<std::uint8_t> RadioModel::blockFrame(std::uint16_t address,
                                                 std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> f{kStart,
                                kReplyMarker,
                                kBlockData,
                                static_cast<std::uint8_t>(address >> 8),
                                static_cast<std::uint8_t>(address),
                                static_cast<std::uint8_t>(data.size() >> 8),
                                static_cast<std::uint8_t>(data.size())};
    f.insert(f.end(), data.begin(), data.end());
    return finish(std::move(f));
}

RadioModel::Layout RadioModel::layoutOf(std::uint8_t c) {
    switch (static_cast<Cmd>(c)) {
    case Cmd::WriteRegion:
        return Layout::WriteRegion;
    case Cmd::ReadBlock:
        return Layout::ReadBlock;
    case Cmd::TxSetup:
    case Cmd::Modulation:
    case Cmd::PowerValue:
    case Cmd::SquelchValue:
    case Cmd::SubAudioOn:
    case Cmd::ZelValue:
    case Cmd::CmxRegister:
        return Layout::CountAndData;
    default:
        return Layout::NoData;
    }
}

std::vector<Reply> RadioModel::receive(std::span<const std::uint8_t> bytes, std::int64_t nowMs) {
    std::vector<Reply> out;
    for (std::uint8_t b : bytes)
        parse(b, nowMs, out);
    return out;
}

void RadioModel::resetParser() {
    frame_.clear();
    total_ = 0;
}

// Frame layouts after 02 02 code: none; count(2) data; address(2) count(2); address(2)
// count(2) data. Then checksum and 03.
void RadioModel::parse(std::uint8_t b, std::int64_t nowMs, std::vector<Reply>& out) {
    if (!frame_.empty() && nowMs - lastByteMs_ > kInterByteTimeoutMs) {
        if (frame_.size() >= 2)
            ++rejected_;
        resetParser();
    }
    lastByteMs_ = nowMs;

    if (frame_.empty()) {
        if (b == kStart)
            frame_.push_back(b);
        return;
    }
    if (frame_.size() == 1) {
        if (b == kCommandMarker)
            frame_.push_back(b);
        else
            resetParser();
        return;
    }
    frame_.push_back(b);
    const std::size_t n = frame_.size();
    if (n == 3) {
        switch (layoutOf(b)) {
        case Layout::NoData:
            total_ = 5;
            break;
        case Layout::ReadBlock:
            total_ = 9;
            break;
        default:
            break; // known once the count has arrived
        }
    } else if (total_ == 0) {
        const Layout layout = layoutOf(frame_[2]);
        const std::size_t countAt = layout == Layout::CountAndData ? 3 : 5;
        if (n == countAt + 2) {
            const std::size_t count = be16(frame_[countAt], frame_[countAt + 1]);
            if (count > kMaxDataCount) {
                ++rejected_;
                resetParser();
                return;
            }
            total_ = n + count + 2;
        }
    }
    if (total_ == 0 || n < total_)
        return;

    const auto sum = std::accumulate(frame_.begin() + 1, frame_.end() - 2, 0u);
    if (frame_.back() == kEnd && frame_[n - 2] == static_cast<std::uint8_t>(sum)) {
        answer(frame_, nowMs, out);
    } else {
        ++rejected_;
    }
    resetParser();
}

void RadioModel::answer(const std::vector<std::uint8_t>& frame, std::int64_t nowMs,
                        std::vector<Reply>& out) {
    received_.push_back({nowMs, frame});
    ++receivedCount_;
    while (received_.size() > keptFrames_)
        received_.pop_front();
    if (faults.silent)
        return;

    const std::uint8_t c = frame[2];
    const Answer scripted = nextScripted(c);
    if (faults.nakAll || scripted == Answer::Nak) {
        Reply r = damage(nakFrame());
        if (!r.empty())
            out.push_back(std::move(r));
        return;
    }

    // Split the frame body into its parameter fields and its data.
    const std::span<const std::uint8_t> body(frame.data() + 3, frame.size() - 5);
    std::size_t paramCount = 0;
    switch (layoutOf(c)) {
    case Layout::NoData:
        break;
    case Layout::CountAndData:
        paramCount = 2;
        break;
    case Layout::ReadBlock:
    case Layout::WriteRegion:
        paramCount = 4;
        break;
    }
    std::vector<std::uint8_t> reply = execute(c, body.first(paramCount), body.subspan(paramCount));
    switch (static_cast<Cmd>(c)) {
    case Cmd::PttOn:
    case Cmd::TxSetup:
    case Cmd::PowerValue:
    case Cmd::Modulation:
    case Cmd::CmxRegister:
    case Cmd::SubAudioOn:
    case Cmd::ZelOn:
    case Cmd::ZelValue:
        rfChangedAtMs = nowMs;
        break;
    default:
        break;
    }
    const bool block = reply[2] == kBlockData;
    if (static_cast<Cmd>(c) == Cmd::WriteRegion && faults.writes == WriteFault::Unacknowledged &&
        reply == ackFrame())
        return; // stored; the answer is lost

    switch (scripted) {
    case Answer::Silent:
        return;
    case Answer::Ack:
        reply = ackFrame();
        break;
    case Answer::WrongChecksum:
        reply[reply.size() - 2] ^= 0xFF;
        break;
    case Answer::OtherBlock:
        if (block)
            reply = reshapeBlock(scripted, reply);
        break;
    case Answer::Short:
        if (block) {
            reply = reshapeBlock(scripted, reply);
        } else if (reply[2] != kAck && reply[2] != kNak) {
            // An information reply with only the first half of its bytes, declared so.
            const std::vector<std::uint8_t> data(reply.begin() + 5, reply.end() - 2);
            reply = infoFrame(reply[2], std::span(data).first(data.size() / 2));
        }
        break;
    default:
        break;
    }
    Reply r = damage(std::move(reply));
    if (r.empty())
        return;
    if (block && scripted == Answer::Late)
        r.delayMs = kLateReplyMs;
    out.push_back(r);
    if (block && scripted == Answer::Twice) {
        r.delayMs = kRepeatAfterMs;
        out.push_back(std::move(r));
    }
}

std::vector<std::uint8_t> RadioModel::reshapeBlock(Answer how,
                                                   const std::vector<std::uint8_t>& reply) const {
    const std::size_t address = be16(reply[3], reply[4]);
    const std::size_t count = reply[6];
    if (how == Answer::Short)
        return blockFrame(static_cast<std::uint16_t>(address),
                          std::span<const std::uint8_t>(eeprom.data() + address, count / 2));
    // The neighbouring block, the one after unless the memory ends there.
    const std::size_t other =
        address + 2 * count <= memorySize() ? address + count : address - count;
    return blockFrame(static_cast<std::uint16_t>(other),
                      std::span<const std::uint8_t>(eeprom.data() + other, count));
}

std::vector<std::uint8_t> RadioModel::execute(std::uint8_t c, std::span<const std::uint8_t> params,
                                              std::span<const std::uint8_t> data) {
    const Cmd cmd = static_cast<Cmd>(c);
    if (layoutOf(c) == Layout::CountAndData && data.size() != expectedCount(c))
        return nakFrame();

    switch (cmd) {
    case Cmd::ReadBlock: {
        const std::size_t address = be16(params[0], params[1]);
        const std::size_t count = be16(params[2], params[3]);
        if (count == 0 || count > kMaxBlock || address + count > memorySize())
            return nakFrame();
        return blockFrame(static_cast<std::uint16_t>(address),
                          std::span<const std::uint8_t>(eeprom.data() + address, count));
    }
    case Cmd::WriteRegion: {
        const std::size_t address = be16(params[0], params[1]);
        if (data.empty() || address + data.size() > memorySize())
            return nakFrame();
        if (faults.writes == WriteFault::Lost)
            return ackFrame();
        std::copy(data.begin(), data.end(), eeprom.begin() + static_cast<std::ptrdiff_t>(address));
        if (faults.writes == WriteFault::Altered)
            eeprom[address + (data.size() - 1) / 2] -= 2;
        return ackFrame();
    }
    case Cmd::EnterTunerMode:
        if (tunerMode)
            return nakFrame();
        tunerMode = true;
        return ackFrame();
    case Cmd::LeaveTunerMode:
    case Cmd::Reset:
        // Out of tuner mode the transmitter is never left keyed from the PC.
        tunerMode = false;
        pttOn = false;
        zelTxOn = false;
        subAudioOn = false;
        return ackFrame();
    case Cmd::TxSetup:
        std::copy(data.begin(), data.end(), lastTxSetup.begin());
        txSetupReceived = true;
        return ackFrame();
    case Cmd::Modulation:
        live.modulation = data[0];
        return ackFrame();
    case Cmd::PowerValue:
        live.power = data[0];
        return ackFrame();
    case Cmd::SquelchValue:
        live.squelch = data[0];
        return ackFrame();
    case Cmd::SubAudioOn:
        live.subAudio = data[0];
        subAudioOn = true;
        return ackFrame();
    case Cmd::SubAudioOff:
        subAudioOn = false;
        return ackFrame();
    case Cmd::ZelOn:
        if (!zelSupported)
            return nakFrame();
        zelTxOn = true;
        return ackFrame();
    case Cmd::ZelOff:
        zelTxOn = false;
        return ackFrame();
    case Cmd::ZelValue:
        live.zel = data[0];
        return ackFrame();
    case Cmd::ZelCheck:
        return zelSupported ? ackFrame() : nakFrame();
    case Cmd::CmxRegister:
        live.cmxRegister = std::array<std::uint8_t, 2>{data[0], data[1]};
        live.cmxRegisters[data[0]] = data[1];
        return ackFrame();
    case Cmd::PttOn:
        pttOn = true;
        return ackFrame();
    case Cmd::PttOff:
        pttOn = false;
        return ackFrame();
    case Cmd::FwVersion:
        return infoFrame(informationReplyTo(cmd), fwVersion);
    case Cmd::SerialNumber:
        return infoFrame(informationReplyTo(cmd), serialNumber);
    case Cmd::RadioType:
        return infoFrame(informationReplyTo(cmd), std::span<const std::uint8_t>(&radioType, 1));
    case Cmd::CountryCode:
        return infoFrame(informationReplyTo(cmd), std::span<const std::uint8_t>(&countryCode, 1));
    case Cmd::RadioFlags:
        return infoFrame(informationReplyTo(cmd), std::span<const std::uint8_t>(&radioFlags, 1));
    }
    return nakFrame(); // a code the radio does not know
}

Reply RadioModel::damage(std::vector<std::uint8_t> frame) {
    if (faults.dropNthReply != dropSetting_) {
        dropSetting_ = faults.dropNthReply;
        dropCounter_ = 0;
    }
    if (dropSetting_ > 0 && ++dropCounter_ == dropSetting_)
        return {};
    if (faults.wrongChecksum)
        frame[frame.size() - 2] ^= 0xFF;
    if (faults.hangUpMidReply)
        frame.resize(frame.size() / 2);

    Reply r;
    const std::size_t frameStart = faults.garbageBefore ? kGarbage.size() : 0;
    r.bytes.resize(frameStart + frame.size());
    if (faults.garbageBefore)
        std::copy(kGarbage.begin(), kGarbage.end(), r.bytes.begin());
    std::copy(frame.begin(), frame.end(),
              r.bytes.begin() + static_cast<std::ptrdiff_t>(frameStart));
    if (faults.splitGapMs >= 0 && frame.size() >= 2) {
        r.splitAt = frameStart + frame.size() / 2;
        r.gapMs = faults.splitGapMs;
    }
    return r;
}

} // namespace korvelo::sim
