#pragma once
// The RF side of the simulated radio and a simulated test set that measures it. Each radio is a
// little different, seeded by its serial number: transmit power follows a saturating curve of
// the power softpot per point and High/Low, deviation a curve of the modulation value per
// spacing and chip, sub-audio and ZEL deviation likewise, and the squelch opens at a generator
// level that rises with the squelch value. Readings carry noise, a fresh key-up or value needs
// its settle time, and the radio transmits only while keyed.
//
// SimTestSet is one of the instruments shops own, as its remote interface behaves (its own
// command table, not Korvelo's family files): generic SCPI, the HP 8920 series behind a GPIB
// adapter, the IFR 2975 console (echo and prompt), the Viavi 8800SX (no *IDN?), the R8000
// (status prefix, busy after a retune, dBm) and the R2670 (four-line answers).
#include "sim/radio_model.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

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

// How the simulated test set behaves: which instrument it is, how slowly it averages, and the
// faults a test can switch on (each counted in readings answered; < 0: never).
struct SimTestSetOptions {
    std::string family = "scpi"; // scpi, hp8920, ifr2975, viavi8800, r8000, r2670
    int averagingMs = 0;         // a reading is the mean over this long
    int busyAfterRetuneMs = 600; // instruments with a status prefix: busy after a retune
    int silentAfter = -1;        // then answers nothing at all
    int garbageAfter = -1;       // then answers readings with noise
    int busyForeverAfter = -1;   // then says it is busy (or, without a status, nothing)
    int hangUpAfter = -1;        // then closes the connection
};

// The instrument families the simulator can be, by id.
std::vector<std::string> simulatedFamilies();
bool isSimulatedFamily(std::string_view id);
// The GPIB address of an instrument reached through the simulated adapter.
inline constexpr int kSimGpibAddress = 14;

class SimTestSet {
  public:
    explicit SimTestSet(SimTestSetOptions options = {}, std::uint32_t noiseSeed = 1);

    // The plain answer lines to one instrument line (without echo, prompt, status or adapter),
    // nothing when the command gives none. The radio's state at nowMs is what is measured.
    std::optional<std::string> handle(std::string_view line, const RadioModel& radio,
                                      const RfRadio& rf, std::int64_t nowMs);

    // Everything sent back for one received line, framed as the instrument frames it: echo,
    // answer, status prefix, prompt, the GPIB adapter's read-back.
    struct Output {
        std::string bytes;
        bool hangUp = false;
    };
    Output receive(std::string_view line, const RadioModel& radio, const RfRadio& rf,
                   std::int64_t nowMs);
    // True when it is reached through a GPIB adapter.
    bool behindAdapter() const;

    double analyzerHz = 0;
    double generatorHz = 0;
    double generatorDbm = -130;
    bool generatorOn = false;
    double generatorFmKhz = 0;
    int readings = 0; // readings answered
    // Per power reading answered: whether its averaging window still reached back before the
    // radio's last change (a stale reading).
    std::vector<bool> powerStale;

    struct Family;

  private:
    double noisy(double v, double relative, double absolute);
    double averaged(int which, double now, const RadioModel& radio, std::int64_t nowMs);
    std::optional<std::string> measure(int quantity, const RadioModel& radio, const RfRadio& rf,
                                       std::int64_t nowMs);

    SimTestSetOptions options_;
    const Family* family_;
    std::mt19937 noise_;
    std::string lastError_ = "0,\"No error\"";
    std::int64_t busyUntil_ = 0;
    bool autoRead_ = true;
    int address_ = -1;
    std::string held_; // answers waiting for the adapter's "++read"
    bool unknown_ = false;
    struct Average {
        std::int64_t changedAt = -1;
        double before = 0;
        double last = 0;
        bool stale = false;
    };
    Average averages_[8];
};

// Which of five scatter sets the radio's present transmit frequency falls in (1..5), from the
// set-up block it was sent: each frequency of a band behaves a little differently.
int pointOf(const RadioModel& r);

} // namespace korvelo::sim
