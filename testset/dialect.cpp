#include "testset/dialect.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace korvelo::testset {

namespace {

constexpr std::array<double, kOpCount> kUnit{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::array<double, kOpCount> kDeviationInHz{1, 1, 1, 1, 1e-3, 1, 1, 1, 1, 1, 1, 1};

// Generic SCPI, SI units in the answers (deviation in Hz).
constexpr std::string_view kGenericIdn[] = {"SCPI"};
// A service monitor family with SCPI-style trees and answers that name their unit.
constexpr std::string_view kTreeIdn[] = {"RADIO TEST SET", "COMMUNICATIONS TEST SET"};
// A service monitor family with short mnemonics and labelled answers.
constexpr std::string_view kMnemonicIdn[] = {"SERVICE MONITOR", "SVC MON"};

const Dialect kDialects[] = {
    {"scpi",
     "Generic SCPI",
     kGenericIdn,
     "\n",
     {"*RST", "SENS:FREQ {hz}", "MEAS:POW?", "MEAS:FREQ:ERR?", "MEAS:FM:DEV?", "SOUR:FREQ {hz}",
      "SOUR:POW {dbm}", "OUTP ON", "OUTP OFF", "SOUR:FM:DEV {hz}", "MEAS:SIN?", "MEAS:AUD:LEV?"},
     ReplyForm::Number,
     kDeviationInHz},
    {"tree",
     "Service monitor (SCPI-style commands)",
     kTreeIdn,
     "\n",
     {"*RST", "CONF:TX:FREQ {mhz}MHZ", "FETC:TX:POW?", "FETC:TX:FERR?", "FETC:TX:FM:DEV?",
      "CONF:GEN:FREQ {mhz}MHZ", "CONF:GEN:LEV {dbm}DBM", "CONF:GEN:STAT ON", "CONF:GEN:STAT OFF",
      "CONF:GEN:FM {khz}KHZ", "FETC:RX:SIN?", "FETC:RX:AF:LEV?"},
     ReplyForm::NumberUnit,
     kUnit},
    {"mnemonic",
     "Service monitor (mnemonic commands)",
     kMnemonicIdn,
     "\r\n",
     {"RE", "TXF {mhz}", "PWR?", "FER?", "DEV?", "RFG {mhz}", "LVL {dbm}", "RF ON", "RF OFF",
      "MOD {khz}", "SIN?", "AFL?"},
     ReplyForm::Labelled,
     kUnit},
};

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// The factor from a unit an answer names to the operation's own unit; nothing for a unit of
// another kind.
std::optional<double> unitFactor(Op op, const std::string& unit) {
    struct U {
        const char* name;
        double factor;
    };
    static constexpr U kPower[] = {{"W", 1}, {"MW", 1e-3}, {"KW", 1e3}};
    static constexpr U kHz[] = {{"HZ", 1}, {"KHZ", 1e3}, {"MHZ", 1e6}};
    static constexpr U kKhz[] = {{"HZ", 1e-3}, {"KHZ", 1}, {"MHZ", 1e3}};
    static constexpr U kDb[] = {{"DB", 1}};
    static constexpr U kVolt[] = {{"V", 1}, {"MV", 1e-3}, {"UV", 1e-6}};
    std::span<const U> table;
    switch (op) {
    case Op::ReadPower:
        table = kPower;
        break;
    case Op::ReadFrequencyError:
        table = kHz;
        break;
    case Op::ReadDeviation:
        table = kKhz;
        break;
    case Op::ReadSinad:
        table = kDb;
        break;
    case Op::ReadAudioLevel:
        table = kVolt;
        break;
    default:
        return std::nullopt;
    }
    for (const U& u : table)
        if (unit == u.name)
            return u.factor;
    return std::nullopt;
}

bool isNumberStart(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

} // namespace

std::span<const Dialect> dialects() {
    return kDialects;
}

const Dialect& genericScpi() {
    return kDialects[0];
}

const Dialect* dialectById(std::string_view id) {
    for (const Dialect& d : kDialects)
        if (d.id == id)
            return &d;
    return nullptr;
}

const Dialect& dialectForIdn(std::string_view idn) {
    const std::string u = upper(idn);
    // The specific families first: the generic pattern is the fallback.
    for (std::size_t i = 1; i < std::size(kDialects); ++i)
        for (std::string_view m : kDialects[i].idnMatches)
            if (u.find(upper(m)) != std::string::npos)
                return kDialects[i];
    return genericScpi();
}

std::optional<std::string> formatCommand(const Dialect& d, Op op, double value) {
    const std::string_view c = d.command(op);
    if (c.empty())
        return std::nullopt;
    std::string out(c);
    const auto open = out.find('{');
    if (open == std::string::npos)
        return out;
    const auto close = out.find('}', open);
    const std::string key = out.substr(open + 1, close - open - 1);
    std::string text;
    if (key == "hz")
        text = fixed(std::round(value), 0);
    else if (key == "mhz")
        text = fixed(value / 1e6, 6);
    else if (key == "khz")
        text = fixed(value, 3);
    else if (key == "dbm")
        text = fixed(value, 1);
    else
        return std::nullopt;
    out.replace(open, close - open + 1, text);
    return out;
}

std::optional<double> parseReading(const Dialect& d, Op op, std::string_view answer) {
    std::string_view s = answer;
    auto trim = [&] {
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
            s.remove_prefix(1);
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
            s.remove_suffix(1);
    };
    trim();
    if (d.reply == ReplyForm::Labelled) {
        // The label: letters up to the first blank or the number.
        std::size_t i = 0;
        while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i])))
            ++i;
        if (i == 0)
            return std::nullopt;
        s.remove_prefix(i);
        trim();
    }
    if (s.empty() || !isNumberStart(s.front()))
        return std::nullopt;
    // from_chars takes no leading '+'.
    if (s.front() == '+')
        s.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || !std::isfinite(v))
        return std::nullopt;
    // SCPI marks "no valid reading" with 9.91E37 (and 9.9E37 for overrange).
    if (std::fabs(v) >= 9.0e37)
        return std::nullopt;
    std::string_view rest(end, static_cast<std::size_t>(s.data() + s.size() - end));
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front())))
        rest.remove_prefix(1);
    const double scale = d.scale[static_cast<std::size_t>(op)];
    if (rest.empty()) {
        if (d.reply == ReplyForm::NumberUnit)
            return std::nullopt; // this family always names the unit
        return v * scale;
    }
    if (d.reply == ReplyForm::Number)
        return std::nullopt;
    const auto f = unitFactor(op, upper(rest));
    if (!f)
        return std::nullopt;
    return v * *f;
}

} // namespace korvelo::testset
