#include "sim/rf_bench.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace korvelo::sim {

namespace {

std::uint32_t mix(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

// Spacing from the set-up block's row byte: 0x10 25 kHz, 0x30 20 kHz, else 12.5 kHz.
int spacingOf(const RadioModel& r) {
    const std::uint8_t b = r.lastTxSetup[8] & 0x30;
    return b == 0x30 ? 2 : b == 0x10 ? 1 : 0;
}
constexpr double kNominalDeviation[3] = {2.5, 5.0, 4.0};
constexpr double kNominalSubAudio[3] = {0.35, 0.7, 0.55};

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::string sci(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6E", v);
    return buf;
}

} // namespace

int pointOf(const RadioModel& r) {
    // N (bytes 4, 5) grows with the frequency; five points spread over the band.
    const int n = r.lastTxSetup[4] | r.lastTxSetup[5] << 8;
    return 1 + static_cast<int>(mix(static_cast<std::uint32_t>(n)) % 5);
}

RfRadio::RfRadio(const RadioModel& radio) {
    std::uint32_t h = 2166136261U;
    for (std::uint8_t b : radio.serialNumber)
        h = (h ^ b) * 16777619U;
    seed_ = mix(h);
}

double RfRadio::factor(int which, int point) const {
    const std::uint32_t h = mix(seed_ ^ mix(static_cast<std::uint32_t>(which * 16 + point)));
    return 1.0 + (static_cast<double>(h % 2001) / 1000.0 - 1.0) * 0.08;
}

double RfRadio::powerCurve(int value, int point, bool high) const {
    const double pmax = (high ? 6.5 : 1.6) * factor(high ? 1 : 2, point);
    const double k = (high ? 25.0 : 20.0) * factor(high ? 3 : 4, point);
    return pmax * (1.0 - std::exp(-std::max(0, value) / k));
}

double RfRadio::openingCurve(int value, int point, bool tight) const {
    return -130.0 + 4.0 * factor(tight ? 6 : 5, point) + 0.5 * factor(7, point) * value;
}

bool RfRadio::transmitting(const RadioModel& r) const {
    return r.tunerMode && (r.pttOn || r.subAudioOn || r.zelTxOn);
}

double RfRadio::settled(const RadioModel& r, std::int64_t nowMs) const {
    const auto dt = static_cast<double>(nowMs - r.rfChangedAtMs);
    return dt >= kSettleMs ? 1.0 : std::max(0.0, dt) / kSettleMs;
}

double RfRadio::powerW(const RadioModel& r, std::int64_t nowMs) const {
    if (!transmitting(r))
        return 0.0;
    const bool high = (r.lastTxSetup[8] & 0x80) != 0;
    const int value = r.live.power.value_or(0);
    return powerCurve(value, pointOf(r), high) * settled(r, nowMs);
}

double RfRadio::deviationKhz(const RadioModel& r, std::int64_t nowMs) const {
    if (!transmitting(r))
        return 0.0;
    const int sp = spacingOf(r);
    const int point = pointOf(r);
    const bool cmx = (r.radioFlags & RadioModel::kFlagCmx148) != 0;
    auto reg = [&](std::uint8_t n) {
        const auto it = r.live.cmxRegisters.find(n);
        return it == r.live.cmxRegisters.end() ? 0 : int{it->second};
    };
    double dev = 0;
    if (r.subAudioOn) {
        dev = kNominalSubAudio[sp] * 2.2 * factor(10 + sp, point) * reg(0x04) / 79.0;
    } else if (r.zelTxOn) {
        const int v = r.live.zel.value_or(0);
        dev = 1.5 * 1.8 * factor(13, point) * (1.0 - std::exp(-v / 30.0));
    } else {
        const int v = cmx ? reg(0x02) : r.live.modulation.value_or(0);
        const double k = cmx ? 50.0 : 40.0;
        dev = kNominalDeviation[sp] * 1.6 * factor(14 + sp, point) * (1.0 - std::exp(-v / k));
    }
    return dev * settled(r, nowMs);
}

double RfRadio::frequencyErrorHz(const RadioModel& r) const {
    if (!transmitting(r))
        return 0.0;
    return (factor(20, 0) - 1.0) * 2500.0;
}

double RfRadio::openingDbm(const RadioModel& r) const {
    const bool tight = (r.lastTxSetup[8] & 0x08) != 0;
    // The receive setting (bytes 1, 2) tells the receive points apart.
    const int n = r.lastTxSetup[1] | r.lastTxSetup[2] << 8;
    const int point = 1 + static_cast<int>(mix(static_cast<std::uint32_t>(n)) % 5);
    return openingCurve(r.live.squelch.value_or(63), point, tight);
}

double SimTestSet::noisy(double v, double relative, double absolute) {
    std::normal_distribution<double> n(0.0, 1.0);
    return v * (1.0 + relative * n(noise_)) + absolute * n(noise_);
}

std::optional<std::string> SimTestSet::handle(std::string_view line, const RadioModel& radio,
                                              const RfRadio& rf, std::int64_t nowMs) {
    const std::string u = upper(line);
    const auto space = u.find(' ');
    const std::string head = u.substr(0, space);
    const double arg =
        space == std::string::npos ? 0.0 : std::strtod(u.c_str() + space + 1, nullptr);
    const std::string word = space == std::string::npos ? std::string() : u.substr(space + 1);

    if (head == "*IDN?")
        return "Korvelo,Simulated RF Test Set,SCPI,1.0";
    if (head == "*RST") {
        *this = SimTestSet();
        return std::nullopt;
    }
    if (head == "SYST:ERR?") {
        std::string e = lastError_;
        lastError_ = "0,\"No error\"";
        return e;
    }
    if (head == "SENS:FREQ") {
        analyzerHz = arg;
        return std::nullopt;
    }
    if (head == "SOUR:FREQ") {
        generatorHz = arg;
        return std::nullopt;
    }
    if (head == "SOUR:POW") {
        generatorDbm = arg;
        return std::nullopt;
    }
    if (head == "SOUR:FM:DEV") {
        generatorFmKhz = arg / 1000.0;
        return std::nullopt;
    }
    if (head == "OUTP") {
        generatorOn = word == "ON" || word == "1";
        return std::nullopt;
    }
    if (head == "MEAS:POW?")
        return sci(rf.transmitting(radio) ? noisy(rf.powerW(radio, nowMs), 0.003, 0.001)
                                          : std::abs(noisy(0, 0, 1e-5)));
    if (head == "MEAS:FM:DEV?")
        return sci(rf.transmitting(radio) ? noisy(rf.deviationKhz(radio, nowMs) * 1000.0, 0.003, 2)
                                          : std::abs(noisy(0, 0, 5)));
    if (head == "MEAS:FREQ:ERR?")
        return rf.transmitting(radio) ? sci(noisy(rf.frequencyErrorHz(radio), 0, 3)) : "9.91E37";
    const bool open = generatorOn && radio.tunerMode && generatorDbm >= rf.openingDbm(radio);
    if (head == "MEAS:AUD:LEV?")
        return sci(open ? noisy(0.5, 0.01, 0) : std::abs(noisy(0.002, 0.1, 0)));
    if (head == "MEAS:SIN?")
        return sci(open ? std::clamp(generatorDbm - rf.openingDbm(radio) + 12.0, 0.0, 40.0) : 0.0);
    lastError_ = "-113,\"Undefined header\"";
    return std::nullopt;
}

} // namespace korvelo::sim
