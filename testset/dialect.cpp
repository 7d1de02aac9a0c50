#include "testset/dialect.h"

#include "testset/json_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

namespace korvelo::testset {

namespace {

// The name of each operation in a family file.
constexpr std::array<std::string_view, kOpCount> kOpNames = {
    "reset",        "analyzerFrequency",   "power",          "frequencyError",
    "deviation",    "generatorFrequency",  "generatorLevel", "generatorOn",
    "generatorOff", "generatorModulation", "sinad",          "audioLevel"};

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

bool isRead(Op op) {
    return op == Op::ReadPower || op == Op::ReadFrequencyError || op == Op::ReadDeviation ||
           op == Op::ReadSinad || op == Op::ReadAudioLevel;
}

// The factor (or for dBm the conversion) from a unit an answer may name to the operation's own
// unit; nothing for a unit of another kind.
std::optional<double> toOwnUnit(Op op, std::string_view unit, double v) {
    const std::string u = upper(unit);
    auto is = [&](const char* name) { return u == name; };
    switch (op) {
    case Op::ReadPower:
        if (is("W"))
            return v;
        if (is("MW"))
            return v * 1e-3;
        if (is("KW"))
            return v * 1e3;
        if (is("DBM"))
            return std::pow(10.0, (v - 30.0) / 10.0);
        break;
    case Op::ReadFrequencyError:
        if (is("HZ"))
            return v;
        if (is("KHZ"))
            return v * 1e3;
        if (is("MHZ"))
            return v * 1e6;
        break;
    case Op::ReadDeviation:
        if (is("HZ"))
            return v * 1e-3;
        if (is("KHZ"))
            return v;
        break;
    case Op::ReadSinad:
        if (is("DB"))
            return v;
        break;
    case Op::ReadAudioLevel:
        if (is("V"))
            return v;
        if (is("MV"))
            return v * 1e-3;
        if (is("UV"))
            return v * 1e-6;
        break;
    default:
        break;
    }
    return std::nullopt;
}

// What an instrument can measure at all, in the operation's unit: anything outside is a marker
// or a fault, not a reading.
bool plausible(Op op, double v) {
    if (!std::isfinite(v))
        return false;
    switch (op) {
    case Op::ReadPower:
        return v >= -0.01 && v <= 1000.0;
    case Op::ReadFrequencyError:
        return std::fabs(v) <= 1e6;
    case Op::ReadDeviation:
        return std::fabs(v) <= 100.0;
    case Op::ReadSinad:
        return v >= -20.0 && v <= 120.0;
    case Op::ReadAudioLevel:
        return v >= 0.0 && v <= 1000.0;
    default:
        return false;
    }
}

std::vector<std::string> strings(const json::Value* v, std::string& error, const char* what) {
    std::vector<std::string> out;
    if (!v)
        return out;
    if (!v->isArray()) {
        error = std::string(what) + " must be a list of strings";
        return out;
    }
    for (const json::Value& s : v->array) {
        if (!s.isString()) {
            error = std::string(what) + " must be a list of strings";
            return {};
        }
        out.push_back(s.string);
    }
    return out;
}

std::string text(const json::Value& o, const char* key, std::string fallback = {}) {
    const json::Value* v = o.find(key);
    return v && v->isString() ? v->string : fallback;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return std::string(s);
}

FamilyResult failed(std::string why) {
    return {std::nullopt, std::move(why)};
}

} // namespace

bool IdentityProbe::matches(std::string_view answer) const {
    const std::string a = upper(trimmed(answer));
    if (contains.empty())
        return !a.empty();
    for (const std::string& c : contains)
        if (exact ? a == upper(c) : a.find(upper(c)) != std::string::npos)
            return true;
    return false;
}

FamilyResult parseFamily(std::string_view input) {
    std::string error;
    const auto root = json::parse(input, &error);
    if (!root)
        return failed(error);
    if (!root->isObject() || text(*root, "format") != "korvelo-testset")
        return failed("not a test-set file (\"format\": \"korvelo-testset\")");
    const json::Value* version = root->find("version");
    if (!version || !version->isNumber() || version->number != kFamilyVersion)
        return failed("version " +
                      (version && version->isNumber()
                           ? std::to_string(static_cast<int>(version->number))
                           : std::string("missing")) +
                      " is not version " + std::to_string(kFamilyVersion));
    Family f;
    f.id = text(*root, "id");
    f.name = text(*root, "name", f.id);
    if (f.id.empty())
        return failed("the file names no \"id\"");
    if (const json::Value* line = root->find("line"); line && line->isObject()) {
        f.rules.termination = text(*line, "termination", "\n");
        f.rules.answerEnd = text(*line, "answerEnd", f.rules.termination);
        if (const json::Value* e = line->find("echo"))
            f.rules.echo = e->type == json::Value::Type::Bool && e->boolean;
        f.rules.prompt = text(*line, "prompt");
        if (const json::Value* s = line->find("status"); s && s->isObject()) {
            f.rules.statusOk = text(*s, "ok", "0");
            f.rules.busyWords = strings(s->find("busyWords"), error, "busyWords");
            f.rules.busyCodes = strings(s->find("busyCodes"), error, "busyCodes");
            if (const json::Value* c = s->find("onCommands"))
                f.rules.statusOnCommands = c->type == json::Value::Type::Bool && c->boolean;
        }
    }
    if (const json::Value* ids = root->find("identity"); ids && ids->isArray()) {
        for (const json::Value& p : ids->array) {
            IdentityProbe probe{text(p, "query"), strings(p.find("contains"), error, "contains")};
            if (probe.query.empty())
                return failed("an identity probe has no \"query\"");
            f.identity.push_back(std::move(probe));
        }
    }
    if (f.identity.empty())
        return failed("the family has no identity probe");
    f.marker = f.identity.front();
    if (const json::Value* m = root->find("marker"); m && m->isObject()) {
        f.marker = {text(*m, "query"), strings(m->find("contains"), error, "contains")};
        if (const json::Value* e = m->find("exact"))
            f.marker.exact = e->type == json::Value::Type::Bool && e->boolean;
        if (f.marker.query.empty() || f.marker.contains.empty())
            return failed("the marker needs a \"query\" and what its answer \"contains\"");
    }
    f.setup = strings(root->find("setup"), error, "setup");
    f.teardown = strings(root->find("teardown"), error, "teardown");
    if (const json::Value* t = root->find("timing"); t && t->isObject()) {
        const std::pair<const char*, int*> fields[] = {
            {"timeoutMs", &f.timing.timeoutMs},     {"connectMs", &f.timing.connectMs},
            {"settleMs", &f.timing.settleMs},       {"retuneMs", &f.timing.retuneMs},
            {"averagingMs", &f.timing.averagingMs}, {"busyMs", &f.timing.busyMs},
            {"busyPollMs", &f.timing.busyPollMs}};
        for (const auto& [key, field] : fields) {
            const json::Value* v = t->find(key);
            if (!v)
                continue;
            if (!v->isNumber() || v->number < 0 || v->number > 600000)
                return failed(std::string("timing \"") + key + "\" must be 0..600000 ms");
            *field = static_cast<int>(v->number);
        }
        if (f.timing.timeoutMs < 10 || f.timing.connectMs < 10)
            return failed("time-outs must be at least 10 ms");
    }
    const json::Value* cmds = root->find("commands");
    if (!cmds || !cmds->isObject())
        return failed("the file has no \"commands\"");
    for (const auto& [key, value] : cmds->object) {
        const auto at = std::find(kOpNames.begin(), kOpNames.end(), key);
        if (at == kOpNames.end())
            return failed("unknown command \"" + key + "\"");
        Command& c = f.commands[static_cast<std::size_t>(at - kOpNames.begin())];
        const Op op = static_cast<Op>(at - kOpNames.begin());
        if (value.isString()) {
            c.text = value.string;
        } else if (value.isObject()) {
            c.text = text(value, "query", text(value, "text"));
            c.unit = text(value, "unit");
            for (auto [k, field] : {std::pair{"line", &c.line}, std::pair{"lines", &c.lines}})
                if (const json::Value* n = value.find(k); n && n->isNumber())
                    *field = static_cast<int>(n->number);
        } else {
            return failed("command \"" + key + "\" must be a string or an object");
        }
        if (c.lines < 1 || c.lines > 16 || c.line < 1 || c.line > c.lines)
            return failed("command \"" + key + "\": line must lie within 1..lines (at most 16)");
        if (isRead(op) && !c.unit.empty() && !toOwnUnit(op, c.unit, 1.0))
            return failed("command \"" + key + "\": unit \"" + c.unit + "\" is no unit of it");
    }
    if (!error.empty())
        return failed(error);
    return {std::move(f), {}};
}

namespace {

std::mutex registryMutex;

std::vector<Family>& registry() {
    static std::vector<Family> all = [] {
        std::vector<Family> v;
        for (const auto& [name, text] : shippedFamilyFiles()) {
            FamilyResult r = parseFamily(text);
            if (!r.family)
                continue; // a test checks that every shipped file loads
            r.family->source = "shipped";
            v.push_back(std::move(*r.family));
        }
        return v;
    }();
    return all;
}

} // namespace

const std::vector<Family>& families() {
    std::lock_guard lock(registryMutex);
    return registry();
}

std::vector<std::string> useFamilyFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> problems;
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec))
        return problems;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().extension() == ".json")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::lock_guard lock(registryMutex);
    std::vector<Family>& all = registry();
    for (const fs::path& p : files) {
        std::ifstream in(p, std::ios::binary);
        const std::string body{std::istreambuf_iterator<char>(in), {}};
        FamilyResult r = parseFamily(body);
        if (!r.family) {
            problems.push_back(p.string() + ": " + r.error);
            continue;
        }
        r.family->source = p.string();
        auto same = std::find_if(all.begin(), all.end(),
                                 [&](const Family& f) { return f.id == r.family->id; });
        if (same != all.end())
            *same = std::move(*r.family);
        else
            all.push_back(std::move(*r.family));
    }
    return problems;
}

const Family* familyById(std::string_view id) {
    for (const Family& f : families())
        if (f.id == id)
            return &f;
    return nullptr;
}

const Family& genericScpi() {
    static const Family fallback = [] {
        Family f;
        f.id = "scpi";
        f.name = "Generic SCPI";
        f.identity = {{"*IDN?", {}}};
        return f;
    }();
    const Family* f = familyById("scpi");
    return f ? *f : fallback;
}

std::optional<std::string> formatCommand(const Family& f, Op op, double value) {
    const std::string& c = f.command(op).text;
    if (c.empty())
        return std::nullopt;
    std::string out = c;
    const auto open = out.find('{');
    if (open == std::string::npos)
        return out;
    const auto close = out.find('}', open);
    if (close == std::string::npos)
        return std::nullopt;
    const std::string key = out.substr(open + 1, close - open - 1);
    // The value comes in the operation's unit: Hz for frequencies, kHz for the generator's
    // deviation, dBm for its level.
    const double hz = op == Op::GeneratorModulation ? value * 1e3 : value;
    std::string t;
    if (key == "hz")
        t = fixed(std::round(hz), 0);
    else if (key == "khz")
        t = fixed(hz / 1e3, 3);
    else if (key == "mhz")
        t = fixed(hz / 1e6, 6);
    else if (key == "dbm" || key == "value")
        t = fixed(value, op == Op::GeneratorLevel ? 1 : 3);
    else
        return std::nullopt;
    out.replace(open, close - open + 1, t);
    return out;
}

std::optional<double> parseReading(const Family& f, Op op, std::string_view answer) {
    std::string_view s = answer;
    auto trim = [&] {
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
            s.remove_prefix(1);
        while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
            s.remove_suffix(1);
    };
    trim();
    // A one-word label ahead of the number ("PWR 4.98W").
    std::size_t i = 0;
    while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i])))
        ++i;
    if (i > 0 && i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) {
        s.remove_prefix(i);
        trim();
    }
    if (s.empty())
        return std::nullopt;
    if (s.front() == '+')
        s.remove_prefix(1);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' ||
                       s.front() == '.'))
        return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || !std::isfinite(v))
        return std::nullopt;
    std::string_view rest(end, static_cast<std::size_t>(s.data() + s.size() - end));
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front())))
        rest.remove_prefix(1);
    const std::string& fileUnit = f.command(op).unit;
    std::optional<double> own;
    if (!rest.empty())
        own = toOwnUnit(op, rest, v); // the answer names its unit
    else if (!fileUnit.empty())
        own = toOwnUnit(op, fileUnit, v);
    else
        own = v; // the operation's own unit
    if (!own || !plausible(op, *own))
        return std::nullopt;
    return own;
}

} // namespace korvelo::testset
