#pragma once
// Layout of the tuning image: which page writes which bytes back to the radio, a name for every
// image offset the pages use, and the write-region frame (command 0x01) at the base the memory
// size gives (EEPROM 0x1F00 on 128-block radios, 0x3F00 on 256-block radios).
#include "radio/tuning_image.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvelo {

// The page (or page family) that programs a region.
enum class RegionOwner {
    TxModulationAk,   // transmit modulation, AK2347 radios
    TxPower,          // transmit power
    RxSquelch,        // receive squelch softpots
    ZelSignalling,    // ZEL signalling deviation
    TxMode,           // AK2347 TX mode registers
    SquelchPointMask, // receive squelch, frequency-point mask
    CmxTxSetup,       // CMX148 transmit setup
    TxModulationCmx,  // transmit modulation, CMX148 radios
    TxSubAudio,       // transmit sub-audio
    CmxRxSetup,       // CMX148 receive setup
};

std::string_view ownerName(RegionOwner owner);

struct Region {
    std::uint8_t offset;
    std::uint8_t count;
    RegionOwner owner;

    unsigned end() const { return unsigned{offset} + count; } // one past the last byte
    bool contains(unsigned i) const { return i >= offset && i < end(); }
    bool operator==(const Region&) const = default;
};

// Bytes inside a page's write region that the page sends as the image holds them without
// editing them (another page's values, or bytes no page edits); pages declare them so that
// every byte they write is accounted for.
struct HeldBytes {
    std::uint8_t offset;
    std::uint8_t count;
    std::string_view what; // whose they are, for listings ("CMX148 modulation softpots")
};

// Named image offsets. Softpot bytes of the alignment pages are laid out by frequency point
// (1..5) and channel spacing (index 0, 1, 2 for 12.5, 25, 20 kHz, the order of the tabs); the
// helpers below compute the byte of one point so that no page spells a raw offset.
namespace img {

// Transmit power: High and Low interleaved by point, 0x16 High 1 .. 0x1F Low 5.
inline constexpr std::uint8_t kTxPowerHigh1 = 0x16;
inline constexpr std::uint8_t kTxPowerLow1 = 0x17;
inline constexpr std::uint8_t kTxPowerHigh3 = 0x1A; // also sent by the signalling page
constexpr std::uint8_t txPowerHigh(int point) {
    return static_cast<std::uint8_t>(0x16 + 2 * (point - 1));
}
constexpr std::uint8_t txPowerLow(int point) {
    return static_cast<std::uint8_t>(0x17 + 2 * (point - 1));
}

// Transmit modulation, AK2347: four bytes a point (12.5, 25, 20 kHz, one spare kept as read).
inline constexpr std::uint8_t kModulation125Point1 = 0x02;
inline constexpr std::uint8_t kModulation25Point1 = 0x03;
inline constexpr std::uint8_t kModulation20Point1 = 0x04;
constexpr std::uint8_t akModulation(int spacing, int point) {
    return static_cast<std::uint8_t>(0x02 + spacing + 4 * (point - 1));
}
// Frequency-point presence mask of the AK2347 modulation Program (bits 0..3: points 1..4).
inline constexpr std::uint8_t kModulationPointMask = 0x50;

// Transmit modulation, CMX148: five points per spacing.
inline constexpr std::uint8_t kCmxModulation = 0x83;
inline constexpr std::uint8_t kCmxModulation125Point1 = 0x83;
inline constexpr std::uint8_t kCmxModulation25Point1 = 0x88;
inline constexpr std::uint8_t kCmxModulation20Point1 = 0x8D;
constexpr std::uint8_t cmxModulation(int spacing, int point) {
    return static_cast<std::uint8_t>(0x83 + 5 * spacing + (point - 1));
}

// Receive squelch: ten bytes per spacing, Normal before Tight within a point.
inline constexpr std::uint8_t kSquelch125Normal1 = 0x20;
inline constexpr std::uint8_t kSquelch25Normal1 = 0x2A;
inline constexpr std::uint8_t kSquelch20Normal1 = 0x34;
constexpr std::uint8_t squelch(int spacing, int point, bool tight) {
    return static_cast<std::uint8_t>(0x20 + 10 * spacing + 2 * (point - 1) + (tight ? 1 : 0));
}
inline constexpr std::uint8_t kSquelchPointMask = 0x52;

// ZEL signalling deviation, one byte per spacing (0x40 is shared with the TX mode region).
inline constexpr std::uint8_t kZel125 = 0x3E;
inline constexpr std::uint8_t kZel25 = 0x3F;
inline constexpr std::uint8_t kZel20 = 0x40;

// AK2347 TX mode registers.
inline constexpr std::uint8_t kTxModeRegisters = 0x40; // 0x40..0x44
inline constexpr std::uint8_t kTxModeExtra = 0x46;
inline constexpr std::uint8_t kTxModeGains = 0x62; // VR1 bits 0-2, VR5 bits 3-7; never sent

// CMX148 transmit setup.
inline constexpr std::uint8_t kCmxTxMod1Attenuation = 0x71; // 0x71..0x7C by spacing and signal
inline constexpr std::uint8_t kCmxTxMod2Attenuation = 0x7D;
inline constexpr std::uint8_t kCmxTxInput1Gain = 0x7E;
inline constexpr std::uint8_t kCmxTxInput2Gain = 0x7F; // 0x7F..0x82
inline constexpr std::uint8_t kCmxTxVoiceLevel = 0x92;
inline constexpr std::uint8_t kCmxTxMod1FineAttenuation = 0x93; // 0x93..0x96
inline constexpr std::uint8_t kCmxTxCsqSubAudio = 0x97;
inline constexpr std::uint8_t kCmxTxHpfSelect = 0xA1; // 0xA1..0xA3 by spacing
inline constexpr std::uint8_t kCmxTxFilter = 0xA4;    // 0xA4..0xA6 by spacing
inline constexpr std::uint8_t kCmxTxLimiterLow = 0xA9;
inline constexpr std::uint8_t kCmxTxLimiterHigh = 0xAA;

// Transmit sub-audio: group 0 CTCSS low, 1 CTCSS high, 2 DCS; point band 0 F1, 1 F2/F3,
// 2 F4/F5. The F1 rows lie at 0x98..0xA0, the others at 0xED..0xFE; three bytes (one per
// spacing) per group and point band.
inline constexpr std::uint8_t kSubAudioF1 = 0x98;
inline constexpr std::uint8_t kSubAudioF2F5 = 0xED;
constexpr std::uint8_t subAudio(int spacing, int group, int pointBand) {
    return static_cast<std::uint8_t>(pointBand == 0
                                         ? 0x98 + 3 * group + spacing
                                         : 0xED + 9 * (pointBand - 1) + 3 * group + spacing);
}

// CMX148 receive setup.
inline constexpr std::uint8_t kCmxRxMod1Attenuation = 0xC0;
inline constexpr std::uint8_t kCmxRxMod2Attenuation = 0xC1;
inline constexpr std::uint8_t kCmxRxAudioAttenuation = 0xC2;
inline constexpr std::uint8_t kCmxRxInput1Gain = 0xC3;
inline constexpr std::uint8_t kCmxRxInput2Gain = 0xC4;
inline constexpr std::uint8_t kCmxRxHpfCorners = 0xC5; // 0xC5..0xC7 by spacing
inline constexpr std::uint8_t kCmxRxFilter = 0xC8;     // 0xC8..0xCA by spacing
inline constexpr std::uint8_t kCmxRxFineGain = 0xCB;   // 0xCB..0xCD by spacing

} // namespace img

// Every region a page writes, in image order. Regions overlap (0x40 belongs to the signalling
// and the TX mode regions; the CMX148 transmit setup spans the CMX148 modulation and the first
// sub-audio region); bytes outside every region are kept as read and saved with the image.
inline constexpr Region kRegionTxModulationAk{0x02, 0x14, RegionOwner::TxModulationAk};
inline constexpr Region kRegionTxPower{0x16, 0x0A, RegionOwner::TxPower};
inline constexpr Region kRegionRxSquelch{0x20, 0x1E, RegionOwner::RxSquelch};
inline constexpr Region kRegionZel{0x3E, 0x03, RegionOwner::ZelSignalling};
inline constexpr Region kRegionTxMode{0x40, 0x05, RegionOwner::TxMode};
inline constexpr Region kRegionTxModeExtra{0x46, 0x01, RegionOwner::TxMode};
inline constexpr Region kRegionSquelchPointMask{0x52, 0x01, RegionOwner::SquelchPointMask};
inline constexpr Region kRegionCmxTxSetup{0x71, 0x3D, RegionOwner::CmxTxSetup};
inline constexpr Region kRegionTxModulationCmx{0x83, 0x0F, RegionOwner::TxModulationCmx};
inline constexpr Region kRegionSubAudioF1{0x98, 0x09, RegionOwner::TxSubAudio};
inline constexpr Region kRegionCmxRxSetup{0xC0, 0x0E, RegionOwner::CmxRxSetup};
inline constexpr Region kRegionSubAudioF2F5{0xED, 0x12, RegionOwner::TxSubAudio};

inline constexpr std::array<Region, 12> kRegions{
    kRegionTxModulationAk,  kRegionTxPower,     kRegionRxSquelch,        kRegionZel,
    kRegionTxMode,          kRegionTxModeExtra, kRegionSquelchPointMask, kRegionCmxTxSetup,
    kRegionTxModulationCmx, kRegionSubAudioF1,  kRegionCmxRxSetup,       kRegionSubAudioF2F5,
};

// The tuning area's base: the high byte of its EEPROM address (0x1F or 0x3F).
constexpr std::uint8_t tuningBase(bool is256BlockMemory) {
    return is256BlockMemory ? 0x3F : 0x1F;
}
// The first of the four 64-byte blocks of the tuning area (124 or 252).
constexpr int firstTuningBlock(bool is256BlockMemory) {
    return is256BlockMemory ? 252 : 124;
}

// "0202 01 " + base + offset + " 00 " + count + the region's image bytes + checksum + "03".
std::string writeRegionFrame(const TuningImage& image, const Region& region, bool is256BlockMemory);

// How a page waits for the reply to a region write (programRegion, image_record.h): one
// bounded wait, or one that keeps the window alive.
enum class RegionWait { Bounded, Pumped };

} // namespace korvelo
