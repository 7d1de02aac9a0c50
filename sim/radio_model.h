#pragma once
// The radio's side of the protocol: it takes the PC's bytes as they come off the line, picks
// whole command frames out of them, acts on each and says what the radio sends back. The
// transports (in memory, pseudo-terminal) carry the bytes and apply the timing.
//
// Behaviour worth knowing when writing tests against it:
// - Frames with a wrong checksum or end byte, or a byte gap of more than kInterByteTimeoutMs
//   in the middle of a frame, are dropped without an answer, as a real radio's receiver
//   would; rejectedFrames() counts them. Unknown command codes are taken as frames without
//   data and answered with NAK.
// - The radio answers every command whether or not it is in tuner mode (service reads work
//   either way on the real radio, and the link layer's tests should not have to enter tuner
//   mode first).
// - Memory is 8 KiB (128 blocks) or 16 KiB (256 blocks, flag 0x10). A block read or region
//   write beyond it, or with a count the command does not take, is answered with NAK and
//   changes nothing, so a wrong base address shows up in tests instead of landing somewhere.
// - A command whose answer is a NAK (scripted, nakAll, bad layout) changes no state. The
//   silent fault is a switched-off radio: frames are recorded but nothing happens. The write
//   fault changes what a region write stores, not its ACK. Every other fault damages only the
//   answer on its way back: the command itself took effect.
#include "link/command_frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace korvelo::sim {

// How the radio answers one frame when a test scripts it. The last four damage a block read's
// answer (Short an information reply's too; other commands answer normally): Late leaves
// kLateReplyMs after the command, OtherBlock carries the next block's address and bytes,
// Short only the first half of the data, declared so, and Twice sends the answer again
// kRepeatAfterMs later, where it meets the next command's wait as a stale reply.
enum class Answer { Normal, Silent, Ack, Nak, WrongChecksum, Late, OtherBlock, Short, Twice };
inline constexpr int kLateReplyMs = 3200;
inline constexpr int kRepeatAfterMs = 200;

struct ReceivedFrame {
    std::int64_t atMs = 0;
    std::vector<std::uint8_t> bytes; // the whole command frame, 02 02 .. 03
};

// What becomes of a region write (command 0x01) that the radio acknowledges: stored, lost
// (nothing stored) or altered (stored with one byte, the middle one, 2 lower than sent); or
// stored without the ACK ever leaving the radio (unacknowledged).
enum class WriteFault { None, Lost, Altered, Unacknowledged };

struct Faults {
    bool silent = false;         // no answer at all (radio off, cable pulled)
    bool nakAll = false;         // every command refused
    bool wrongChecksum = false;  // every answer with a corrupted checksum
    int splitGapMs = -1;         // >= 0: each answer in two pieces, this far apart
    bool garbageBefore = false;  // stray bytes on the line ahead of each answer
    int dropNthReply = 0;        // > 0: the Nth answer from when this was set is lost, once
    bool hangUpMidReply = false; // each answer stops half way through the frame
    bool pace = false;           // transports send at the real line rate
    WriteFault writes = WriteFault::None;
};

// What goes back on the line for one command frame. Empty when the radio stays silent.
struct Reply {
    std::vector<std::uint8_t> bytes;
    int delayMs = 0;         // the answer starts this long after the one before it
    std::size_t splitAt = 0; // > 0: bytes[0, splitAt) first, the rest gapMs later
    int gapMs = 0;
    bool empty() const { return bytes.empty(); }
};

// Line time of n bytes: 11 bits each (start, 8 data, 2 stop) at 19,200 bit/s.
inline constexpr int kLineBitsPerByte = 11;
inline constexpr int kLineBitsPerSecond = 19200;
inline constexpr std::int64_t lineTimeUs(std::size_t n) {
    return static_cast<std::int64_t>(n) * kLineBitsPerByte * 1000000 / kLineBitsPerSecond;
}
// Whole milliseconds, rounded up (the virtual clock's resolution).
inline constexpr int lineTimeMs(std::size_t n) {
    return static_cast<int>(
        (static_cast<std::int64_t>(n) * kLineBitsPerByte * 1000 + kLineBitsPerSecond - 1) /
        kLineBitsPerSecond);
}

// The bytes a garbageBefore fault puts ahead of an answer: none of them starts a frame.
inline constexpr std::array<std::uint8_t, 6> kGarbage = {0x00, 0xFF, 0x55, 0x10, 0x03, 0xAA};

class RadioModel {
  public:
    static constexpr std::size_t kEepromSize = 16 * 1024;
    static constexpr std::size_t kTuningSize = 256;
    static constexpr std::uint8_t kFlag256Block = 0x10;
    static constexpr std::uint8_t kFlagCmx148 = 0x20;
    static constexpr int kInterByteTimeoutMs = 50;
    static constexpr std::size_t kMaxDataCount = 1024; // longer frames are taken as noise
    // Frames kept for received(): the latest ones, so a long-running radio stays small.
    static constexpr std::size_t kKeptFrames = 4096;

    RadioModel();

    // Radio state; tests set and read it directly.
    std::array<std::uint8_t, kEepromSize> eeprom{};
    std::uint8_t radioFlags = 0x00;
    std::uint8_t radioType = 0;
    std::array<std::uint8_t, 5> fwVersion{'R', '0', '3', '0', '0'};
    std::array<std::uint8_t, 10> serialNumber{'K', 'V', '0', '0', '0', '1', '2', '3', '4', '5'};
    std::uint8_t countryCode = 1;
    bool tunerMode = false;
    bool zelSupported = true;
    bool pttOn = false;      // 0x81 / 0x82
    bool zelTxOn = false;    // 0x4A / 0x4B
    bool subAudioOn = false; // 0x48 / 0x49
    std::array<std::uint8_t, 9> lastTxSetup{};
    bool txSetupReceived = false;
    struct LiveValues {
        std::optional<std::uint8_t> power;      // 0x44
        std::optional<std::uint8_t> modulation; // 0x43
        std::optional<std::uint8_t> squelch;    // 0x45
        std::optional<std::uint8_t> subAudio;   // 0x48
        std::optional<std::uint8_t> zel;        // 0x4C
        // 0xB3: register number and value, the last one and every register's latest value.
        std::optional<std::array<std::uint8_t, 2>> cmxRegister;
        std::map<std::uint8_t, std::uint8_t> cmxRegisters;
    } live;
    Faults faults;
    // When the transmitter's output last changed (keyed, retuned, a new power or deviation
    // value): the RF side settles from there.
    std::int64_t rfChangedAtMs = 0;

    std::size_t memorySize() const;
    std::uint16_t tuningBase() const; // 0x1F00, or 0x3F00 with the 256-block flag
    std::span<std::uint8_t, kTuningSize> tuningArea();
    std::span<const std::uint8_t, kTuningSize> tuningArea() const;
    void setTuningArea(std::span<const std::uint8_t, kTuningSize> bytes);
    // The deterministic contents of a fresh radio's memory at an address: plausible power
    // softpots and audio-processor register settings, elsewhere bytes that differ from their
    // neighbours; the areas at 0x1F00 and 0x3F00 differ from each other.
    static std::uint8_t factoryByte(std::size_t address);

    // Answers consumed one per received frame of that command, then Normal again.
    void scriptAnswers(Cmd code, std::vector<Answer> answers);

    // Bytes from the PC at time nowMs. Returns the answers to the frames they completed, in
    // order (several when the bytes hold several frames).
    std::vector<Reply> receive(std::span<const std::uint8_t> bytes, std::int64_t nowMs);

    // The last kKeptFrames frames (or the limit set); receivedCount() counts every one.
    const std::deque<ReceivedFrame>& received() const { return received_; }
    std::vector<std::vector<std::uint8_t>> receivedFrames() const;
    void clearReceived() { received_.clear(); }
    std::uint64_t receivedCount() const { return receivedCount_; }
    void setKeptFrames(std::size_t limit) { keptFrames_ = limit; }
    int rejectedFrames() const { return rejected_; }

    // Reply frame builders (02 10 code ... checksum 03), for tests to compare against.
    static std::vector<std::uint8_t> ackFrame();
    static std::vector<std::uint8_t> nakFrame();
    static std::vector<std::uint8_t> infoFrame(std::uint8_t replyCode,
                                               std::span<const std::uint8_t> data);
    static std::vector<std::uint8_t> blockFrame(std::uint16_t address,
                                                std::span<const std::uint8_t> data);

  private:
    enum class Layout { NoData, CountAndData, ReadBlock, WriteRegion };
    static Layout layoutOf(std::uint8_t code);

    void parse(std::uint8_t b, std::int64_t nowMs, std::vector<Reply>& out);
    void resetParser();
    void answer(const std::vector<std::uint8_t>& frame, std::int64_t nowMs,
                std::vector<Reply>& out);
    // A block answer as OtherBlock or Short make it.
    std::vector<std::uint8_t> reshapeBlock(Answer how,
                                           const std::vector<std::uint8_t>& reply) const;
    // The normal answer; applies the command's effect unless it answers NAK.
    std::vector<std::uint8_t> execute(std::uint8_t code, std::span<const std::uint8_t> params,
                                      std::span<const std::uint8_t> data);
    Reply damage(std::vector<std::uint8_t> frame);
    Answer nextScripted(std::uint8_t code);

    std::deque<ReceivedFrame> received_;
    std::uint64_t receivedCount_ = 0;
    std::size_t keptFrames_ = kKeptFrames;
    std::map<std::uint8_t, std::vector<Answer>> scripted_;
    int rejected_ = 0;
    int dropSetting_ = 0;
    int dropCounter_ = 0;

    // Frame being parsed.
    std::vector<std::uint8_t> frame_;
    std::size_t total_ = 0; // the frame's whole length once its header says so
    std::int64_t lastByteMs_ = 0;
};

} // namespace korvelo::sim
