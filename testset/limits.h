#pragma once
// Targets and limits of the alignments, per band, from a limits file (JSON, versioned, edited by
// hand). The program ships one file per band; nothing here holds a target of its own.
//
//   {"format": "korvelo-limits", "version": 1, "band": "UHF 400-470 MHz",
//    "radioTypes": [3, 4, 9],
//    "limits": {"power.high": {"target": 4.0, "tolerance": 0.08, "low": 3.8, "high": 4.2,
//                              "unit": "W"}, ...}}
//
// A reading within target +- tolerance ends the search; low..high is PASS.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo::testset {

inline constexpr int kLimitsVersion = 1;

struct Limit {
    double target = 0;
    double tolerance = 0;
    double low = 0;
    double high = 0;
    std::string unit;
    bool passes(double reading) const { return reading >= low && reading <= high; }
    bool converged(double reading) const {
        return reading >= target - tolerance && reading <= target + tolerance;
    }
};

struct BandLimits {
    int version = kLimitsVersion;
    std::string band;
    std::vector<std::uint8_t> radioTypes;
    std::map<std::string, Limit> limits;
    bool isFor(std::uint8_t radioType) const {
        for (std::uint8_t t : radioTypes)
            if (t == radioType)
                return true;
        return false;
    }
    const Limit* find(std::string_view name) const {
        auto it = limits.find(std::string(name));
        return it == limits.end() ? nullptr : &it->second;
    }
};

// Every name a limits file may give; any other is refused (a typo would otherwise silently
// leave an alignment without limits).
const std::vector<std::string>& knownLimitNames();

struct LimitsResult {
    std::optional<BandLimits> limits;
    std::string error;
};
// A file without "radioTypes" (the band types it is for) is refused: the targets differ by band.
LimitsResult parseLimits(std::string_view text);
LimitsResult loadLimitsFile(const std::string& path);

// Empty when the limits are for the radio's band type; otherwise why they may not be used on it
// ("These limits are for VHF 136-174 MHz (radio type 0), not for this radio: radio type 4, 350
// to 390 MHz.").
std::string bandRefusal(const BandLimits& limits, std::uint8_t radioType);

// The shipped limits of a radio's band; nothing for a type no shipped file names.
std::optional<BandLimits> shippedLimits(std::uint8_t radioType);
// Every shipped file's text, by file name, for tests and for writing a copy to edit.
const std::map<std::string, std::string_view>& shippedLimitsFiles();

} // namespace korvelo::testset
