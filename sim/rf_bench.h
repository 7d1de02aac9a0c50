#pragma once
// The RF side of the simulated radio and a simulated test set that measures it. Each radio is a
// little different, seeded by its serial number: transmit power follows a saturating curve of
// the power softpot per point and High/Low, deviation a curve of the modulation value per
// spacing and chip, sub-audio and ZEL deviation likewise, and the squelch opens at a generator
// level that rises with the squelch value. Readings carry noise, a fresh key-up or value needs
// its settle time, and the radio transmits only while keyed.
//
// SimTestSet answers the generic SCPI commands, one line in, at most one line out.
#include "sim/radio_model.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace korvelo::sim {

class RfRadio {
  public:
    static constexpr int kSettleMs = 60;

    explicit RfRadio(const RadioModel& radio);

    // Noise-free values for the radio's present state; what the test set reads adds noise.
    bool transmitting(const RadioModel& r) const;
    double powerW(const RadioModel& r, std::int64_t nowMs) const;
    double deviationKhz(const RadioModel& r, std::int64_t nowMs) const;
    double frequencyErrorHz(const RadioModel& r) const;
    // The generator level in dBm at which the receiver opens at the radio's squelch value.
    double openingDbm(const RadioModel& r) const;

    // The curves themselves, for tests: power at a softpot value, point 1..5, High or Low.
    double powerCurve(int value, int point, bool high) const;
    double openingCurve(int value, int point, bool tight) const;
    std::uint32_t seed() const { return seed_; }

  private:
    double factor(int which, int point) const; // 1 +- a few per cent, per radio and point
    double settled(const RadioModel& r, std::int64_t nowMs) const;

    std::uint32_t seed_;
};

class SimTestSet {
  public:
    SimTestSet(std::uint32_t noiseSeed = 1) : noise_(noiseSeed) {}

    // The answer line to a command line (without termination), nothing when the command gives
    // none. The radio's state at nowMs is what is measured.
    std::optional<std::string> handle(std::string_view line, const RadioModel& radio,
                                      const RfRadio& rf, std::int64_t nowMs);

    double analyzerHz = 0;
    double generatorHz = 0;
    double generatorDbm = -130;
    bool generatorOn = false;
    double generatorFmKhz = 0;

  private:
    double noisy(double v, double relative, double absolute);
    std::mt19937 noise_;
    std::string lastError_ = "0,\"No error\"";
};

// Which of five scatter sets the radio's present transmit frequency falls in (1..5), from the
// set-up block it was sent: each frequency of a band behaves a little differently.
int pointOf(const RadioModel& r);

} // namespace korvelo::sim
