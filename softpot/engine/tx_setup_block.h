#pragma once
// The 9-byte synthesiser set-up block that every alignment page sends (command 0x42) before
// it adjusts a row. The bytes live in the Session and are shared by all pages: a page only
// overwrites the bytes it sets, so nothing here ever clears the block.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace korvelo {

// Three bytes of a setting in block order: N low, N high, A.
using SettingWord = std::array<std::uint8_t, 3>;

class TxSetupBlock {
  public:
    static constexpr std::size_t kSize = 9;
    // Raster flags of byte 7.
    static constexpr std::uint8_t kBothOn6250 = 0x11;
    static constexpr std::uint8_t kTxOn5000 = 0x01;
    static constexpr std::uint8_t kRxOn5000 = 0x10;

    explicit TxSetupBlock(std::array<std::uint8_t, kSize>& bytes) : bytes_(bytes) {}

    void setMode(std::uint8_t mode) { bytes_[0] = mode; }
    void setReceive(const SettingWord& w) { put(1, w); }
    void setTransmit(const SettingWord& w) { put(4, w); }
    void setRaster(std::uint8_t flags) { bytes_[7] = flags; }
    void setRowSetting(std::uint8_t s) { bytes_[8] = s; }

    SettingWord receive() const { return {bytes_[1], bytes_[2], bytes_[3]}; }
    SettingWord transmit() const { return {bytes_[4], bytes_[5], bytes_[6]}; }
    std::uint8_t raster() const { return bytes_[7]; }
    std::uint8_t rowSetting() const { return bytes_[8]; }

    std::span<const std::uint8_t, kSize> bytes() const { return bytes_; }

  private:
    void put(std::size_t at, const SettingWord& w) {
        bytes_[at] = w[0];
        bytes_[at + 1] = w[1];
        bytes_[at + 2] = w[2];
    }
    std::array<std::uint8_t, kSize>& bytes_;
};

// Writes the transmit setting (bytes 4..6) and raster flags (byte 7) for a frequency in Hz:
// 6.25 kHz steps when the frequency lies on that raster (flags 0x11), else 5 kHz steps
// (flags 0x01). A frequency on neither raster leaves the bytes alone and returns false.
bool encodeTxFrequency(TxSetupBlock& block, double hz);

// Writes the receive setting (bytes 1..3) and raster flags (byte 7) for a receive frequency in
// Hz: the local oscillator lies 45.1 MHz above it on VHF radios and 45.1 MHz below on the
// others, in 6.25 kHz steps (flags 0x11) or, when only the receive frequency lies on the 5 kHz
// raster, in 5 kHz steps (flags 0x10). A frequency on neither raster, or one whose oscillator
// would lie at or below 0 Hz (no band, after a UHF radio), leaves the bytes alone and returns
// false.
bool encodeRxFrequency(TxSetupBlock& block, double hz, bool isVhfRadio);

// A point frequency text in MHz ("403.52500") as Hz. Read like the system reads decimal text:
// leading number only, so "UNSUPPORTED" and "" give 0.
double frequencyTextToHz(std::string_view text);

} // namespace korvelo
