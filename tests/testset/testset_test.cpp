// Instrument families, the line link, connection strings and limits files.
#include "testset/dialect.h"
#include "testset/instrument_link.h"
#include "testset/limits.h"
#include "testset/test_set.h"
#include "testset/transport.h"

#include <gtest/gtest.h>

#include <deque>

namespace korvelo::testset {
namespace {

// Each family's command strings, and its answers as the instruments give them.
TEST(Dialects, CommandsAndRecordedAnswers) {
    const Dialect& scpi = *dialectById("scpi");
    const Dialect& tree = *dialectById("tree");
    const Dialect& mnem = *dialectById("mnemonic");
    EXPECT_EQ(formatCommand(scpi, Op::AnalyzerFrequency, 146012500.0), "SENS:FREQ 146012500");
    EXPECT_EQ(formatCommand(scpi, Op::GeneratorLevel, -118.25), "SOUR:POW -118.2");
    EXPECT_EQ(formatCommand(tree, Op::AnalyzerFrequency, 446006250.0),
              "CONF:TX:FREQ 446.006250MHZ");
    EXPECT_EQ(formatCommand(tree, Op::GeneratorModulation, 1.5), "CONF:GEN:FM 1.500KHZ");
    EXPECT_EQ(formatCommand(mnem, Op::GeneratorFrequency, 136.5e6), "RFG 136.500000");
    EXPECT_EQ(formatCommand(mnem, Op::ReadDeviation), "DEV?");
    EXPECT_EQ(mnem.termination, "\r\n");

    struct Answer {
        const Dialect* d;
        Op op;
        const char* text;
        std::optional<double> value;
    };
    const Answer answers[] = {
        {&scpi, Op::ReadPower, "+4.98700000E+00", 4.987},
        {&scpi, Op::ReadDeviation, "2.512300E+03\r", 2.5123}, // Hz, read as kHz
        {&scpi, Op::ReadPower, "9.91E37", std::nullopt},      // no valid reading
        {&scpi, Op::ReadPower, "4.98 W", std::nullopt},       // this family names no unit
        {&scpi, Op::ReadPower, "", std::nullopt},
        {&tree, Op::ReadPower, "512 mW", 0.512},
        {&tree, Op::ReadDeviation, "2.51 kHz", 2.51},
        {&tree, Op::ReadDeviation, "2510 Hz", 2.51},
        {&tree, Op::ReadDeviation, "2.51 W", std::nullopt}, // a unit of another kind
        {&tree, Op::ReadPower, "4.98", std::nullopt},
        {&mnem, Op::ReadPower, "PWR 4.98W", 4.98},
        {&mnem, Op::ReadDeviation, "DEV +2.51KHZ", 2.51},
        {&mnem, Op::ReadSinad, "SIN 12.3DB", 12.3},
        {&mnem, Op::ReadAudioLevel, "AFL 450MV", 0.45},
        {&mnem, Op::ReadPower, "4.98W", std::nullopt}, // the label is missing
        {&mnem, Op::ReadPower, "PWR ----", std::nullopt},
    };
    for (const Answer& a : answers) {
        SCOPED_TRACE(std::string(a.d->id) + ": " + a.text);
        const auto v = parseReading(*a.d, a.op, a.text);
        ASSERT_EQ(v.has_value(), a.value.has_value());
        if (v) {
            EXPECT_NEAR(*v, *a.value, 1e-9);
        }
    }
    EXPECT_EQ(dialectForIdn("ACME,RADIO TEST SET 9,123,1.0").id, "tree");
    EXPECT_EQ(dialectForIdn("svc mon 42").id, "mnemonic");
    EXPECT_EQ(dialectForIdn("Korvelo,Simulated RF Test Set,SCPI,1.0").id, "scpi");
}

// A transport scripted per line sent; silence costs the time-out on the virtual clock.
struct ScriptedTransport : Transport {
    VirtualClock& clock;
    std::deque<std::optional<std::string>> answers; // per line sent; nullopt: none
    std::string inbox;
    std::vector<std::string> sent;
    explicit ScriptedTransport(VirtualClock& c) : clock(c) {}
    bool open(std::string&) override { return true; }
    void close() override {}
    bool send(std::string_view bytes) override {
        sent.emplace_back(bytes);
        if (!answers.empty()) {
            if (answers.front())
                inbox += *answers.front();
            answers.pop_front();
        }
        return true;
    }
    std::optional<std::string> receive(int timeoutMs) override {
        if (inbox.empty()) {
            clock.sleepMs(timeoutMs);
            return std::string();
        }
        // Answers may come in pieces.
        std::string piece = inbox.substr(0, 3);
        inbox.erase(0, 3);
        return piece;
    }
    std::string describe() const override { return "script"; }
    std::string_view openingLines() const override { return "++addr 7\n"; }
};

// Lines end with the family's termination, an answer in pieces is one line, a query that gets
// no answer is sent again and then given up within its bound; every line goes to the trace.
TEST(InstrumentLink, TerminationRetriesAndTrace) {
    VirtualClock clock;
    ScriptedTransport t(clock);
    std::vector<std::string> trace;
    InstrumentLink link(t, clock, LinkTiming{"\n", 500, 1, 20}, [&](bool sent, std::string_view l) {
        trace.push_back((sent ? "> " : "< ") + std::string(l));
    });
    std::string why;
    t.answers = {std::nullopt,    "SVC MON 42\r\n", std::nullopt,
                 "PWR 4.98W\r\n", std::nullopt,     std::nullopt};
    ASSERT_TRUE(link.open(why));
    ScpiTestSet ts(link);
    EXPECT_EQ(ts.identify(), "SVC MON 42");
    EXPECT_EQ(ts.dialect().id, "mnemonic");
    EXPECT_TRUE(ts.setAnalyzerFrequency(146e6));
    EXPECT_EQ(ts.read(Measurement::Power), 4.98);
    const std::int64_t before = clock.nowMs();
    EXPECT_EQ(ts.read(Measurement::Power), std::nullopt); // no answer to either try
    EXPECT_EQ(clock.nowMs() - before, 2 * 500);
    const std::vector<std::string> sent = {"++addr 7\n", "*IDN?\n",  "TXF 146.000000\r\n",
                                           "PWR?\r\n",   "PWR?\r\n", "PWR?\r\n"};
    EXPECT_EQ(t.sent, sent);
    const std::vector<std::string> expected = {"> ++addr 7",       "> *IDN?", "< SVC MON 42",
                                               "> TXF 146.000000", "> PWR?",  "< PWR 4.98W",
                                               "> PWR?",           "> PWR?"};
    EXPECT_EQ(trace, expected);
}

TEST(Connections, Parse) {
    std::string why;
    auto tcp = parseConnection("tcp://localhost:5026", why);
    ASSERT_TRUE(tcp);
    EXPECT_EQ(tcp->host, "localhost");
    EXPECT_EQ(tcp->port, 5026);
    EXPECT_EQ(parseConnection("tcp:10.0.0.2", why)->port, kDefaultScpiPort);
    auto gpib = parseConnection("gpib:/dev/ttyUSB0:7:115200", why);
    ASSERT_TRUE(gpib);
    EXPECT_EQ(gpib->device, "/dev/ttyUSB0");
    EXPECT_EQ(gpib->gpibAddress, 7);
    EXPECT_EQ(gpib->baud, 115200);
    EXPECT_EQ(parseConnection("serial:COM3", why)->baud, 9600);
    for (const char* bad : {"tcp://host:0", "tcp://host:99999", "tcp://:5025", "gpib:/dev/x",
                            "gpib:/dev/x:31", "usb:foo", "serial:"})
        EXPECT_FALSE(parseConnection(bad, why)) << bad;
}

// Every shipped file loads, names every limit, keeps target +- tolerance within its limits, and
// the files together cover each band type once. Hand-edited files are refused with a reason.
TEST(Limits, ShippedFilesAndRefusals) {
    std::vector<int> owners(13, 0);
    for (const auto& [name, text] : shippedLimitsFiles()) {
        SCOPED_TRACE(name);
        const LimitsResult r = parseLimits(text);
        ASSERT_TRUE(r.limits) << r.error;
        EXPECT_EQ(r.limits->limits.size(), knownLimitNames().size());
        for (std::uint8_t t : r.limits->radioTypes)
            ++owners.at(t);
    }
    for (int t = 0; t <= 12; ++t)
        EXPECT_EQ(owners[static_cast<std::size_t>(t)], 1) << "radio type " << t;
    ASSERT_TRUE(shippedLimits(4));
    EXPECT_DOUBLE_EQ(shippedLimits(4)->find("power.high")->target, 4.0);
    EXPECT_FALSE(shippedLimits(200));

    // Another band's file is refused on this radio, with both bands named.
    EXPECT_EQ(bandRefusal(*shippedLimits(4), 4), "");
    EXPECT_EQ(bandRefusal(*shippedLimits(0), 4),
              "These limits are for VHF 136-174 MHz (radio type 0), not for this radio: radio "
              "type 4, 350 to 390 MHz.");

    const std::string head =
        R"({"format": "korvelo-limits", "version": 1, "radioTypes": [0], "limits": {)";
    const std::pair<std::string, std::string> refused[] = {
        {R"({"format": "korvelo-limits", "version": 2, "radioTypes": [0], "limits": {}})",
         "version 2"},
        {R"({"format": "korvelo-limits", "version": 1e300, "radioTypes": [0], "limits": {}})",
         "version 1e+300 is not supported"},
        {R"({"format": "korvelo-limits", "version": 1, "limits": {}})", "no \"radioTypes\""},
        {R"({"format": "korvelo-limits", "version": 1, "radioTypes": [1e300], "limits": {}})",
         "no radio type"},
        {head + R"("power.high": {"target": 0, "tolerance": 1, "low": -1e300, "high": 1e300}}})",
         "within 0..100 W"},
        {head + R"("squelch.tight.25": {"target": -110, "tolerance": 1, "low": -1e300,)" +
             R"( "high": -100}}})",
         "within -150..0 dBm"},
        {head + R"("power.low": {"target": 500, "tolerance": 1, "low": 450, "high": 550,)" +
             R"( "unit": "mW"}}})",
         "the unit must be \"W\""},
        {head + R"("power.hihg": {"target": 5, "tolerance": 0.1, "low": 4.5, "high": 5.5}}})",
         "unknown limit"},
        {head + R"("power.high": {"target": 6, "tolerance": 0.1, "low": 4.5, "high": 5.5}}})",
         "low <= target <= high"},
        {head + R"("power.high": {"target": 5, "tolerance": 0.8, "low": 4.5, "high": 5.5}}})",
         "within low..high"},
        {head + R"("power.high": {"target": 5, "tolerance": 0, "low": 4.5, "high": 5.5}}})",
         "tolerance"},
        {head + R"("zel": {"target": 1}, "zel": {"target": 1}}})", "twice"},
        {head + R"("zel": {"target": 1e999, "tolerance": 1, "low": 0, "high": 2}}})", "range"},
        {std::string(100, '[') + std::string(100, ']'), "deeply"},
        {R"({"format": "korvelo-limits", "version": 1, "limits": {} } x)", "after"},
    };
    for (const auto& [text, why] : refused) {
        const LimitsResult r = parseLimits(text);
        EXPECT_FALSE(r.limits) << text;
        EXPECT_NE(r.error.find(why), std::string::npos) << r.error;
    }
}

} // namespace
} // namespace korvelo::testset
