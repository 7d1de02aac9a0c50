#pragma once
// The drop-down lists of the CMX148 setup dialogs, entries in index order: the image holds the
// index, and the radio turns it into the register value.
#include <array>
#include <string_view>

namespace korvelo::cmx148 {

inline constexpr std::array<std::string_view, 8> kAttenuation = {">40dB", "12dB", "10dB", "8dB",
                                                                 "6dB",   "4dB",  "2dB",  "0dB"};
inline constexpr std::array<std::string_view, 8> kGain = {"0dB",    "3.2dB",  "6.4dB",  "9.6dB",
                                                          "12.8dB", "16.0dB", "19.2dB", "22.4dB"};
inline constexpr std::array<std::string_view, 6> kVoiceLevel = {"x1", "x2",  "x4",
                                                                "x8", "x16", "x32"};
inline constexpr std::array<std::string_view, 10> kFineAttenuation = {
    "0.0dB", "0.2dB", "0.4dB", "0.6dB", "0.8dB", "1.0dB", "1.2dB", "1.4dB", "1.6dB", "1.8dB"};
inline constexpr std::array<std::string_view, 2> kOnOff = {"Off", "On"};
inline constexpr std::array<std::string_view, 3> kLowPass = {"Off", "3.0KHz", "2.55KHz"};
inline constexpr std::array<std::string_view, 3> kHighPassCorner = {"300Hz", "280Hz", "320Hz"};
inline constexpr std::array<std::string_view, 16> kAudioAttenuation = {
    ">60dB",  "44.8dB", "41.6dB", "38.4dB", "35.2dB", "32.0dB", "28.8dB", "25.6dB",
    "22.4dB", "19.2dB", "16.0dB", "12.8dB", "9.6dB",  "6.4dB",  "3.2dB",  "0dB"};

// The 0.05 dB steps of the fine gains and the CSQ sub-audio level: 0.00..3.95, byte = value x 20.
inline constexpr double kFineStep = 0.05;
inline constexpr int kFineMaxCode = 79;

// Rows of the per-spacing groups.
inline constexpr std::string_view k125 = "12.5KHz";
inline constexpr std::string_view k25 = "25KHz";
inline constexpr std::string_view k20 = "20KHz";

} // namespace korvelo::cmx148
