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

namespace {

// What an instrument reads, in the unit it answers in.
enum Quantity {
    kPowerW,
    kPowerDbm,
    kFerrHz,
    kFerrKhz,
    kDevHz,
    kDevKhz,
    kDevMinusKhz,
    kSinadDb,
    kAudioV,
    kQuantities
};
// What a set command sets.
enum Target {
    kAnalyzerHz,
    kAnalyzerMhz,
    kGeneratorHz,
    kGeneratorMhz,
    kGeneratorDbm,
    kGeneratorFmHz,
    kOutputOn,
    kOutputOff,
    kAccept,
    kReset
};

struct SetCommand {
    std::string prefix; // upper case; a value may follow after a blank or "="
    Target target;
};
struct QueryCommand {
    std::string text; // upper case
    std::vector<Quantity> lines;
};

} // namespace

struct SimTestSet::Family {
    std::string id;
    std::vector<std::pair<std::string, std::string>> identity; // upper-case query, answer
    std::string end;                                           // after every answer line
    bool echo = false;
    std::string prompt;  // sent after every answer, with no line end
    bool status = false; // "0:" ahead of every answer
    bool adapter = false;
    bool sci = false; // numbers as 4.987000E+00
    std::vector<SetCommand> sets;
    std::vector<QueryCommand> queries;
};

namespace {

const std::vector<SimTestSet::Family>& instrumentTable() {
    using F = SimTestSet::Family;
    static const std::vector<F> table = [] {
        std::vector<F> t;
        F scpi;
        scpi.id = "scpi";
        scpi.identity = {{"*IDN?", "Korvelo,Simulated RF Test Set,SCPI,1.0"}, {"*OPC?", "1"}};
        scpi.end = "\n";
        scpi.sci = true;
        scpi.sets = {{"SENS:FREQ", kAnalyzerHz},
                     {"SOUR:FREQ", kGeneratorHz},
                     {"SOUR:POW", kGeneratorDbm},
                     {"SOUR:FM:DEV", kGeneratorFmHz},
                     {"OUTP ON", kOutputOn},
                     {"OUTP 1", kOutputOn},
                     {"OUTP OFF", kOutputOff},
                     {"OUTP 0", kOutputOff},
                     {"*RST", kReset}};
        scpi.queries = {{"MEAS:POW?", {kPowerW}},
                        {"MEAS:FM:DEV?", {kDevHz}},
                        {"MEAS:FREQ:ERR?", {kFerrHz}},
                        {"MEAS:AUD:LEV?", {kAudioV}},
                        {"MEAS:SIN?", {kSinadDb}}};
        t.push_back(scpi);

        F hp;
        hp.id = "hp8920";
        hp.identity = {{"*IDN?", "HEWLETT-PACKARD,8920A,US37010123,A.14.00"}, {"*OPC?", "1"}};
        hp.end = "\n";
        hp.sci = true;
        hp.adapter = true;
        hp.sets = {{"RFAN:FREQ", kAnalyzerHz},
                   {"RFG:FREQ", kGeneratorHz},
                   {"RFG:AMPL:STAT 1", kOutputOn},
                   {"RFG:AMPL:STAT 0", kOutputOff},
                   {"RFG:AMPL", kGeneratorDbm},
                   {"DISP RFAN", kAccept},
                   {"AFAN:FILT1", kAccept},
                   {"AFAN:FILT2", kAccept},
                   {"*RST", kReset}};
        hp.queries = {{"MEAS:RFR:POW?", {kPowerW}},
                      {"MEAS:RFR:FREQ:ERR?", {kFerrHz}},
                      {"MEAS:AFR:FM?", {kDevHz}}};
        t.push_back(hp);

        F ifr;
        ifr.id = "ifr2975";
        ifr.identity = {{"*IDN?", "IFR,2975,297501234,2.10"}};
        ifr.end = "\r\n";
        ifr.echo = true;
        ifr.prompt = "% ";
        ifr.sets = {{"RECEIVER FREQUENCY", kAnalyzerHz},
                    {"GENERATOR FREQUENCY", kGeneratorHz},
                    {"GENERATOR RFLEVEL", kGeneratorDbm},
                    {"LOCKOUT ON", kAccept},
                    {"LOCKOUT OFF", kAccept},
                    {"*RST", kReset}};
        ifr.queries = {
            {"POWER VALUE", {kPowerW}}, {"RFERROR VALUE", {kFerrHz}}, {"FMDEV VALUE", {kDevKhz}}};
        t.push_back(ifr);

        F viavi;
        viavi.id = "viavi8800";
        viavi.identity = {{":OPTIONS:MAN?", "Viavi Solutions"},
                          {":OPTIONS:MODEL?", "8800SX"},
                          {":OPTIONS:SERIAL?", "8800SX-004217"}};
        viavi.end = "\n";
        viavi.sets = {{":REC:FREQ", kAnalyzerMhz},
                      {":GEN:FREQ", kGeneratorMhz},
                      {":GEN:LVL:DBM", kGeneratorDbm}};
        viavi.queries = {{":RFPOW:READING:AVG?", {kPowerW}},
                         {":RFERR:READING:VAL?", {kFerrKhz}},
                         {":DEVMOD:READING:VAL?", {kDevKhz}}};
        t.push_back(viavi);

        F r8000;
        r8000.id = "r8000";
        r8000.identity = {{"*IDN?", "Astronics,R8000,80004217,2.3.1"}};
        r8000.end = "\r\n";
        r8000.status = true;
        r8000.sets = {{"SET RF:MONITOR FREQUENCY", kAnalyzerHz},
                      {"SET RF:GENERATE FREQUENCY", kGeneratorHz},
                      {"SET RF:OUTPUT LEVEL", kGeneratorDbm},
                      {"SET SYSTEM:MODE REQUEST", kAccept},
                      {"SET RF:FREQUENCY ERROR UNITS", kAccept},
                      {"SET METER:SUBZONE", kAccept},
                      {"DO RF:RF POWER", kAccept}};
        r8000.queries = {{"GET METER:MEASURED POWER", {kPowerDbm}},
                         {"GET MONITOR:FREQUENCY ERROR", {kFerrHz}},
                         {"GET MONITOR:DEVIATION+", {kDevKhz}}};
        t.push_back(r8000);

        F r2670;
        r2670.id = "r2670";
        r2670.identity = {{"*IDN?", "General Dynamics,R2670,B00412,8.01"}};
        r2670.end = "\r\n";
        r2670.queries = {{"MR 0", {kFerrHz, kPowerW, kDevKhz, kDevMinusKhz}}};
        t.push_back(r2670);
        return t;
    }();
    return table;
}

} // namespace

std::vector<std::string> simulatedFamilies() {
    std::vector<std::string> ids;
    for (const auto& f : instrumentTable())
        ids.push_back(f.id);
    return ids;
}

bool isSimulatedFamily(std::string_view id) {
    for (const auto& f : instrumentTable())
        if (f.id == id)
            return true;
    return false;
}

SimTestSet::SimTestSet(SimTestSetOptions options, std::uint32_t noiseSeed)
    : options_(std::move(options)), family_(&instrumentTable().front()), noise_(noiseSeed) {
    for (const auto& f : instrumentTable())
        if (f.id == options_.family)
            family_ = &f;
}

bool SimTestSet::behindAdapter() const {
    return family_->adapter;
}

double SimTestSet::noisy(double v, double relative, double absolute) {
    std::normal_distribution<double> n(0.0, 1.0);
    return v * (1.0 + relative * n(noise_)) + absolute * n(noise_);
}

double SimTestSet::averaged(int which, double now, const RadioModel& radio, std::int64_t nowMs) {
    Average& a = averages_[which];
    if (radio.rfChangedAtMs != a.changedAt) {
        a.before = a.last;
        a.changedAt = radio.rfChangedAtMs;
    }
    a.last = now;
    a.stale = false;
    if (options_.averagingMs <= 0)
        return now;
    // The mean over the window: the part before the change still holds the old value.
    const double f =
        std::clamp(static_cast<double>(nowMs - a.changedAt) / options_.averagingMs, 0.0, 1.0);
    a.stale = f < 1.0;
    return f * now + (1 - f) * a.before;
}

std::optional<std::string> SimTestSet::measure(int q, const RadioModel& radio, const RfRadio& rf,
                                               std::int64_t nowMs) {
    ++readings;
    if (options_.garbageAfter >= 0 && readings > options_.garbageAfter)
        return std::string("#\x7f?ERR~~");
    const bool keyed = rf.transmitting(radio);
    auto text = [&](double v, int decimals) {
        if (family_->sci)
            return sci(v);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        return std::string(buf);
    };
    const bool open = generatorOn && radio.tunerMode && generatorDbm >= rf.openingDbm(radio);
    switch (static_cast<Quantity>(q)) {
    case kPowerW:
    case kPowerDbm: {
        const double w =
            keyed ? noisy(averaged(0, rf.powerW(radio, nowMs), radio, nowMs), 0.003, 0.001)
                  : std::abs(noisy(0, 0, 1e-5));
        powerStale.push_back(keyed && averages_[0].stale);
        if (q == kPowerW)
            return text(w, 4);
        return text(10.0 * std::log10(std::max(w, 1e-9) * 1000.0), 2);
    }
    case kFerrHz:
    case kFerrKhz:
        if (!keyed)
            return family_->sci ? std::string("9.91E37") : text(0, 1);
        return text(noisy(rf.frequencyErrorHz(radio), 0, 3) / (q == kFerrKhz ? 1e3 : 1.0),
                    q == kFerrKhz ? 4 : 1);
    case kDevHz:
    case kDevKhz:
    case kDevMinusKhz: {
        const double khz =
            keyed ? noisy(averaged(1, rf.deviationKhz(radio, nowMs), radio, nowMs), 0.003, 0.002)
                  : std::abs(noisy(0, 0, 0.005));
        if (q == kDevHz)
            return text(khz * 1e3, 1);
        return text(q == kDevMinusKhz ? -khz : khz, 4);
    }
    case kSinadDb:
        return text(open ? std::clamp(generatorDbm - rf.openingDbm(radio) + 12.0, 0.0, 40.0) : 0.0,
                    2);
    case kAudioV:
        return text(open ? noisy(0.5, 0.01, 0) : std::abs(noisy(0.002, 0.1, 0)), 4);
    case kQuantities:
        break;
    }
    return std::nullopt;
}

std::optional<std::string> SimTestSet::handle(std::string_view line, const RadioModel& radio,
                                              const RfRadio& rf, std::int64_t nowMs) {
    std::string u = upper(line);
    while (!u.empty() && std::isspace(static_cast<unsigned char>(u.back())))
        u.pop_back();
    for (const auto& [query, answer] : family_->identity)
        if (u == query)
            return answer;
    if (family_->sci && u == "SYST:ERR?") {
        std::string e = lastError_;
        lastError_ = "0,\"No error\"";
        return e;
    }
    for (const QueryCommand& q : family_->queries) {
        if (u != q.text)
            continue;
        std::string all;
        for (const Quantity part : q.lines) {
            const auto v = measure(part, radio, rf, nowMs);
            all += (all.empty() ? "" : "\n") + v.value_or("");
        }
        return all;
    }
    for (const SetCommand& c : family_->sets) {
        if (u.compare(0, c.prefix.size(), c.prefix) != 0)
            continue;
        const std::string rest = u.substr(c.prefix.size());
        if (!rest.empty() && rest.front() != ' ' && rest.front() != '=')
            continue;
        const std::size_t at = rest.find_first_not_of(" =");
        const double v = at == std::string::npos ? 0.0 : std::strtod(rest.c_str() + at, nullptr);
        switch (c.target) {
        case kAnalyzerHz:
        case kAnalyzerMhz:
            analyzerHz = c.target == kAnalyzerMhz ? v * 1e6 : v;
            busyUntil_ = family_->status ? nowMs + options_.busyAfterRetuneMs : 0;
            break;
        case kGeneratorHz:
            generatorHz = v;
            break;
        case kGeneratorMhz:
            generatorHz = v * 1e6;
            break;
        case kGeneratorDbm:
            generatorDbm = v;
            break;
        case kGeneratorFmHz:
            generatorFmKhz = v / 1000.0;
            break;
        case kOutputOn:
            generatorOn = true;
            break;
        case kOutputOff:
            generatorOn = false;
            break;
        case kReset:
            analyzerHz = generatorHz = 0;
            generatorDbm = -130;
            generatorOn = false;
            generatorFmKhz = 0;
            break;
        case kAccept:
            break;
        }
        unknown_ = false;
        return std::nullopt;
    }
    unknown_ = true;
    lastError_ = "-113,\"Undefined header\"";
    return std::nullopt;
}

SimTestSet::Output SimTestSet::receive(std::string_view line, const RadioModel& radio,
                                       const RfRadio& rf, std::int64_t nowMs) {
    Output out;
    const std::string u = upper(line);
    if (family_->adapter && u.rfind("++", 0) == 0) {
        // The adapter's own commands.
        if (u.rfind("++READ", 0) == 0) {
            out.bytes = std::move(held_);
            held_.clear();
        } else if (u.rfind("++AUTO", 0) == 0) {
            autoRead_ = std::atoi(u.c_str() + 6) != 0;
        } else if (u.rfind("++ADDR", 0) == 0) {
            address_ = std::atoi(u.c_str() + 6);
        }
        return out;
    }
    if (family_->adapter && address_ != kSimGpibAddress)
        return out; // nobody listens at that address
    if (options_.hangUpAfter >= 0 && readings >= options_.hangUpAfter) {
        out.hangUp = true;
        return out;
    }
    const bool busyForever =
        options_.busyForeverAfter >= 0 && readings >= options_.busyForeverAfter;
    if ((options_.silentAfter >= 0 && readings >= options_.silentAfter) ||
        (busyForever && !family_->status))
        return out;
    const std::string& end = family_->end;
    if (family_->echo)
        out.bytes += std::string(line) + end;
    unknown_ = false;
    const bool isGet = u.rfind("GET ", 0) == 0;
    std::optional<std::string> answer;
    const bool busy = family_->status && isGet && (busyForever || nowMs < busyUntil_);
    if (!busy)
        answer = handle(line, radio, rf, nowMs);
    std::vector<std::string> lines;
    if (answer) {
        std::string_view rest = *answer;
        for (;;) {
            const auto nl = rest.find('\n');
            lines.emplace_back(rest.substr(0, nl));
            if (nl == std::string_view::npos)
                break;
            rest.remove_prefix(nl + 1);
        }
    }
    if (family_->status) {
        if (busy)
            lines = {"2:Busy"};
        else if (unknown_)
            lines = {"1:Unknown command"};
        else if (lines.empty())
            lines = {"0:"};
        else
            lines.front() = "0:" + lines.front();
    } else if (unknown_ && !family_->prompt.empty()) {
        lines = {"Unknown command"};
    }
    for (const std::string& l : lines)
        out.bytes += l + end;
    out.bytes += family_->prompt;
    if (family_->adapter && !autoRead_) {
        held_ += out.bytes;
        out.bytes.clear();
    }
    return out;
}

} // namespace korvelo::sim
