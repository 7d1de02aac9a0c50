#include "testset/test_set.h"

#include "testset/transport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace korvelo::testset {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string l(s);
    for (char& c : l)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return l;
}

constexpr Op kReadOps[] = {Op::ReadPower, Op::ReadFrequencyError, Op::ReadDeviation, Op::ReadSinad,
                           Op::ReadAudioLevel};
constexpr const char* kReadNames[] = {"power", "frequency error", "deviation", "SINAD",
                                      "audio level"};

} // namespace

bool plausibleIdentity(std::string_view answer, std::string_view query) {
    const std::string_view a = trim(answer);
    if (a.empty() || a.size() > 256 || a == trim(query))
        return false;
    const std::string l = lower(a);
    if (l.rfind("http/", 0) == 0 || l.find("<html") != std::string::npos ||
        l.find("<!doctype") != std::string::npos ||
        l.find("unknown command") != std::string::npos ||
        l.find("undefined header") != std::string::npos)
        return false;
    int alnum = 0;
    for (const char c : a) {
        if (!std::isprint(static_cast<unsigned char>(c)))
            return false;
        alnum += std::isalnum(static_cast<unsigned char>(c)) ? 1 : 0;
    }
    // A bare number is a reading, not a name.
    const bool number = std::all_of(a.begin(), a.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || std::strchr("+-.eE", c);
    });
    return alnum >= 3 && !number;
}

InstrumentTestSet::InstrumentTestSet(InstrumentLink& link, const Family* family)
    : link_(link), family_(family ? family : &genericScpi()), fixed_(family != nullptr) {
    link_.useFamily(*family_);
}

InstrumentTestSet::~InstrumentTestSet() {
    finish();
}

bool InstrumentTestSet::fail(std::string why) {
    error_ = std::move(why);
    return false;
}

bool InstrumentTestSet::detect() {
    link_.useFamily(genericScpi());
    std::vector<std::string> asked;
    std::optional<std::string> generic;
    std::string heard;
    for (const Family& f : families()) {
        const std::string& q = f.identity.front().query;
        if (std::find(asked.begin(), asked.end(), q) != asked.end())
            continue;
        asked.push_back(q);
        const auto lines = link_.listen(q);
        if (link_.dead())
            return fail("the connection to " + link_.describe() + " was lost");
        for (const std::string& l : lines)
            heard += (heard.empty() ? "" : " | ") + l;
        for (const Family& g : families()) {
            if (g.identity.front().query != q || g.identity.front().contains.empty())
                continue;
            for (const std::string& l : lines)
                if (plausibleIdentity(l, q) && g.identity.front().matches(l)) {
                    family_ = &g;
                    return true;
                }
        }
        if (q == genericScpi().identity.front().query)
            for (const std::string& l : lines)
                if (!generic && plausibleIdentity(l, q) && l.find(',') != std::string::npos)
                    generic = l;
        // An instrument that names itself to *IDN? needs none of the other families' probes.
        if (generic)
            break;
    }
    if (generic) {
        family_ = &genericScpi();
        return true;
    }
    return fail("no instrument of a known family answered on " + link_.describe() +
                (heard.empty() ? std::string(" (nothing came back)")
                               : " (it answered \"" + heard.substr(0, 120) + "\")"));
}

std::optional<std::string> InstrumentTestSet::identify() {
    error_.clear();
    if (!fixed_ && !detect())
        return std::nullopt;
    link_.useFamily(*family_);
    std::string idn;
    for (const IdentityProbe& p : family_->identity) {
        const auto answer = link_.queryLine(p.query);
        if (!answer) {
            fail(link_.error());
            return std::nullopt;
        }
        const std::string a(trim(*answer));
        if (!plausibleIdentity(a, p.query) || !p.matches(a)) {
            fail(link_.describe() + " answered \"" + a + "\" to \"" + p.query + "\": not " +
                 family_->name);
            return std::nullopt;
        }
        idn += (idn.empty() ? "" : ", ") + a;
    }
    idn_ = idn;
    started_ = true;
    for (const std::string& line : family_->setup)
        if (!link_.command(line)) {
            fail("set-up \"" + line + "\": " + link_.error());
            return std::nullopt;
        }
    return idn_;
}

void InstrumentTestSet::finish() {
    if (!started_)
        return;
    started_ = false;
    for (const std::string& line : family_->teardown)
        if (!link_.command(line))
            break;
    link_.close();
}

bool InstrumentTestSet::send(Op op, double value) {
    const auto line = formatCommand(*family_, op, value);
    if (!line)
        return fail(family_->name + " has no command for this");
    if (!link_.command(*line))
        return fail(link_.error());
    return true;
}

bool InstrumentTestSet::setAnalyzerFrequency(double hz) {
    // A family without the command is tuned by hand at the instrument.
    if (!family_->command(Op::AnalyzerFrequency).text.empty() && !send(Op::AnalyzerFrequency, hz))
        return false;
    link_.clock().sleepMs(family_->timing.retuneMs);
    // An instrument that says it is busy after a retune is asked until it is ready, before
    // the radio is keyed.
    if (family_->rules.hasStatus()) {
        const Command& c = family_->command(Op::ReadPower);
        if (!c.text.empty() && !link_.query(c.text, c.lines, family_->timing.busyMs))
            return fail(link_.error());
    }
    return true;
}

std::optional<double> InstrumentTestSet::read(Measurement m) {
    const auto i = static_cast<std::size_t>(m);
    const Op op = kReadOps[i];
    const Command& c = family_->command(op);
    if (c.text.empty()) {
        fail(family_->name + " cannot read " + kReadNames[i]);
        return std::nullopt;
    }
    const auto answer = link_.query(c.text, c.lines);
    if (!answer) {
        fail(link_.error());
        return std::nullopt;
    }
    const std::string& line = (*answer)[static_cast<std::size_t>(c.line - 1)];
    const auto v = parseReading(*family_, op, line);
    if (!v) {
        fail(link_.describe() + " answered \"" + std::string(trim(line)).substr(0, 80) +
             "\" to \"" + c.text + "\", which is no " + kReadNames[i] + " reading");
        return std::nullopt;
    }
    return v;
}

bool InstrumentTestSet::setGenerator(double hz, double dbm) {
    if (!send(Op::GeneratorFrequency, hz) || !send(Op::GeneratorLevel, dbm))
        return false;
    link_.clock().sleepMs(family_->timing.retuneMs);
    return true;
}

bool InstrumentTestSet::setGeneratorLevel(double dbm) {
    if (!send(Op::GeneratorLevel, dbm))
        return false;
    link_.clock().sleepMs(family_->timing.settleMs);
    return true;
}

bool InstrumentTestSet::setGeneratorOutput(bool on) {
    return send(on ? Op::GeneratorOn : Op::GeneratorOff);
}

bool InstrumentTestSet::setGeneratorModulation(double khz) {
    return send(Op::GeneratorModulation, khz);
}

std::string InstrumentTestSet::describe() const {
    return family_->name + ": " + (idn_.empty() ? std::string("not identified") : idn_) + " (" +
           link_.describe() + ")";
}

ProbeResult probeTestSet(const std::string& connection, const Family* family, Clock& clock,
                         std::function<bool()> stop) {
    ProbeResult r;
    std::string why;
    const auto conn = parseConnection(connection, why);
    if (!conn) {
        r.message = why;
        return r;
    }
    auto transport = makeTransport(*conn);
    InstrumentLink link(*transport, clock, {}, [&r](bool sent, std::string_view line) {
        r.trace.push_back((sent ? "> " : "< ") + std::string(line));
    });
    if (family)
        link.useFamily(*family);
    if (!link.open(why, std::move(stop))) {
        r.message = why;
        return r;
    }
    InstrumentTestSet ts(link, family);
    const auto idn = ts.identify();
    if (!idn) {
        r.message = ts.lastError();
        return r;
    }
    r.family = ts.family().name;
    r.familyId = ts.family().id;
    r.identity = *idn;
    r.powerW = ts.read(Measurement::Power);
    if (!r.powerW) {
        r.message = "no power reading: " + ts.lastError();
        return r;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f W", *r.powerW);
    r.ok = true;
    r.message = r.family + ": " + r.identity + ", power " + buf;
    return r;
}

} // namespace korvelo::testset
