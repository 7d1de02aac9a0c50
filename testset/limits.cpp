#include "testset/limits.h"

#include "testset/json_reader.h"

#include "radio/band_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace korvelo::testset {

const std::vector<std::string>& knownLimitNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = {"power.high", "power.low", "zel"};
        for (const char* sp : {"12.5", "25", "20"}) {
            n.push_back(std::string("deviation.") + sp);
            n.push_back(std::string("subaudio.") + sp);
            n.push_back(std::string("squelch.normal.") + sp);
            n.push_back(std::string("squelch.tight.") + sp);
        }
        return n;
    }();
    return names;
}

namespace {

// What each limit is measured in, and the range a value of that unit can sensibly have on this
// family of radios and their test sets: a limit beyond it is a typo, and one like 1e300 would
// let every reading pass.
struct UnitRange {
    const char* unit;
    double low;
    double high;
};

UnitRange unitRangeFor(std::string_view name) {
    if (name.starts_with("power."))
        return {"W", 0.0, 100.0};
    if (name.starts_with("squelch."))
        return {"dBm", -150.0, 0.0};
    return {"kHz", 0.0, 20.0}; // deviation, sub-audio and signalling deviation
}

std::string numberText(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

LimitsResult failed(std::string why) {
    return {std::nullopt, std::move(why)};
}

std::optional<double> numberAt(const json::Value& v, const char* key) {
    const json::Value* x = v.find(key);
    if (!x || !x->isNumber())
        return std::nullopt;
    return x->number;
}

} // namespace

LimitsResult parseLimits(std::string_view text) {
    std::string why;
    const auto doc = json::parse(text, &why);
    if (!doc)
        return failed(why);
    if (!doc->isObject())
        return failed("a limits file holds one object");
    const json::Value* format = doc->find("format");
    if (!format || !format->isString() || format->string != "korvelo-limits")
        return failed("\"format\" is not \"korvelo-limits\"");
    const auto version = numberAt(*doc, "version");
    if (!version)
        return failed("no \"version\"");
    // Compared as a number first: converting 1e300 to an integer is undefined.
    if (*version != kLimitsVersion)
        return failed("version " + numberText(*version) +
                      " is not supported (this program reads version " +
                      std::to_string(kLimitsVersion) + ")");
    BandLimits out;
    if (const json::Value* band = doc->find("band"); band && band->isString())
        out.band = band->string;
    // The band types the file is for: another band's targets would be aligned to and programmed.
    const json::Value* types = doc->find("radioTypes");
    if (!types || !types->isArray() || types->array.empty())
        return failed("no \"radioTypes\": a limits file names the band types (radio types) it "
                      "is for, as in \"radioTypes\": [0]");
    for (const json::Value& t : types->array) {
        if (!t.isNumber() || !(t.number >= 0 && t.number <= 255) ||
            t.number != std::floor(t.number))
            return failed("\"radioTypes\" holds a value that is no radio type (0..255)");
        out.radioTypes.push_back(static_cast<std::uint8_t>(t.number));
    }
    const json::Value* limits = doc->find("limits");
    if (!limits || !limits->isObject())
        return failed("no \"limits\" object");
    const auto& known = knownLimitNames();
    for (const auto& [name, v] : limits->object) {
        if (std::find(known.begin(), known.end(), name) == known.end())
            return failed("unknown limit \"" + name + "\"");
        if (!v.isObject())
            return failed("\"" + name + "\" is not an object");
        Limit l;
        const auto target = numberAt(v, "target");
        const auto tolerance = numberAt(v, "tolerance");
        const auto low = numberAt(v, "low");
        const auto high = numberAt(v, "high");
        if (!target || !tolerance || !low || !high)
            return failed("\"" + name + "\" needs target, tolerance, low and high");
        l.target = *target;
        l.tolerance = *tolerance;
        l.low = *low;
        l.high = *high;
        if (!(l.tolerance > 0) || !(l.low <= l.target) || !(l.target <= l.high))
            return failed("\"" + name +
                          "\": the tolerance must be above 0 and low <= target <= high");
        // A search that may stop outside the limits would report a pass it did not reach.
        if (l.target - l.tolerance < l.low || l.target + l.tolerance > l.high)
            return failed("\"" + name + "\": target +- tolerance must lie within low..high");
        const UnitRange range = unitRangeFor(name);
        l.unit = range.unit;
        if (const json::Value* unit = v.find("unit")) {
            if (!unit->isString() || unit->string != range.unit)
                return failed("\"" + name + "\": the unit must be \"" + range.unit + "\"");
        }
        if (l.low < range.low || l.high > range.high)
            return failed("\"" + name + "\": low..high must lie within " + numberText(range.low) +
                          ".." + numberText(range.high) + " " + range.unit);
        out.limits.emplace(name, l);
    }
    return {std::move(out), {}};
}

LimitsResult loadLimitsFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return failed("cannot open " + path);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    LimitsResult r = parseLimits(text);
    if (!r.limits)
        r.error = path + ": " + r.error;
    return r;
}

std::string bandRefusal(const BandLimits& limits, std::uint8_t radioType) {
    if (limits.isFor(radioType))
        return {};
    std::string types;
    for (std::uint8_t t : limits.radioTypes)
        types += (types.empty() ? "" : ", ") + std::to_string(t);
    std::string text = "These limits are for " +
                       (limits.band.empty() ? "another band" : limits.band) + " (radio type" +
                       (limits.radioTypes.size() > 1 ? "s " : " ") + types +
                       "), not for this radio: radio type " + std::to_string(radioType);
    const std::string_view range = bandRange(bandGroup(radioType, Type1::AsV2));
    if (!range.empty())
        text += ", " + std::string(range);
    return text + ".";
}

std::optional<BandLimits> shippedLimits(std::uint8_t radioType) {
    for (const auto& [name, text] : shippedLimitsFiles()) {
        LimitsResult r = parseLimits(text);
        if (!r.limits)
            continue; // a test checks that every shipped file loads
        const auto& types = r.limits->radioTypes;
        if (std::find(types.begin(), types.end(), radioType) != types.end())
            return std::move(r.limits);
    }
    return std::nullopt;
}

} // namespace korvelo::testset
