// Instrument families, the line link, connection strings and limits files.
#include "testset/dialect.h"
#include "testset/instrument_link.h"
#include "testset/limits.h"
#include "testset/test_set.h"
#include "testset/transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace korvelo::testset {
namespace {

// Every shipped family loads; each forms its commands and reads its answers as its instrument
// gives them; an echo, an error text, NaN, infinities and numbers off any scale are no reading.
TEST(Families, ShippedFilesCommandsAndAnswers) {
    for (const auto& [name, text] : shippedFamilyFiles()) {
        SCOPED_TRACE(name);
        const FamilyResult r = parseFamily(text);
        ASSERT_TRUE(r.family) << r.error;
        EXPECT_EQ(familyById(r.family->id)->name, r.family->name);
    }
    EXPECT_EQ(families().size(), 6u);
    EXPECT_EQ(genericScpi().name, "Generic SCPI");
    const Family& hp = *familyById("hp8920");
    const Family& ifr = *familyById("ifr2975");
    const Family& viavi = *familyById("viavi8800");
    const Family& r8000 = *familyById("r8000");
    const Family& r2670 = *familyById("r2670");
    const Family& scpi = genericScpi();
    EXPECT_EQ(formatCommand(hp, Op::AnalyzerFrequency, 146012500.0), "RFAN:FREQ 146012500");
    EXPECT_EQ(formatCommand(ifr, Op::GeneratorFrequency, 146e6),
              "Generator FREQuency 146000000 Hz");
    EXPECT_EQ(formatCommand(viavi, Op::AnalyzerFrequency, 446006250.0), ":rec:freq 446.006250");
    EXPECT_EQ(formatCommand(r8000, Op::GeneratorLevel, -118.25), "SET RF:Output Level=-118.2");
    EXPECT_EQ(formatCommand(scpi, Op::GeneratorModulation, 1.5), "SOUR:FM:DEV 1500");
    EXPECT_FALSE(formatCommand(r2670, Op::AnalyzerFrequency));

    struct Answer {
        const Family* f;
        Op op;
        const char* text;
        std::optional<double> value;
    };
    const Answer answers[] = {
        {&hp, Op::ReadPower, "+4.98700000E+00", 4.987},
        {&scpi, Op::ReadDeviation, "2.512300E+03\r", 2.5123}, // Hz, read as kHz
        {&r8000, Op::ReadPower, "36.99", 5.0003},             // dBm, read as W
        {&viavi, Op::ReadFrequencyError, "-0.125", -125.0},   // kHz, read as Hz
        {&ifr, Op::ReadDeviation, "2.51 kHz", 2.51},          // a unit named wins
        {&ifr, Op::ReadPower, "PWR 4.98W", 4.98},             // a label, then number and unit
        {&hp, Op::ReadPower, "9.91E37", std::nullopt},        // no valid reading
        {&hp, Op::ReadPower, "1e30", std::nullopt},           // off any scale
        {&hp, Op::ReadPower, "NaN", std::nullopt},
        {&hp, Op::ReadPower, "inf", std::nullopt},
        {&hp, Op::ReadPower, "-5", std::nullopt},
        {&hp, Op::ReadPower, "MEAS:RFR:POW?", std::nullopt}, // an echo
        {&ifr, Op::ReadPower, "Power VALue", std::nullopt},
        {&r8000, Op::ReadPower, "1:Unknown command", std::nullopt},
        {&hp, Op::ReadPower, "4.98 Hz", std::nullopt}, // a unit of another kind
        {&hp, Op::ReadPower, "", std::nullopt},
    };
    for (const Answer& a : answers) {
        SCOPED_TRACE(a.f->id + ": " + a.text);
        const auto v = parseReading(*a.f, a.op, a.text);
        ASSERT_EQ(v.has_value(), a.value.has_value());
        if (v) {
            EXPECT_NEAR(*v, *a.value, 1e-3);
        }
    }
    EXPECT_TRUE(plausibleIdentity("IFR,2975,297501234,2.10", "*IDN?"));
    for (const char* bad : {"*IDN?", "%", "HTTP/1.1 400 Bad Request", "<!DOCTYPE html>", "4.98",
                            "-113,\"Undefined header\""})
        EXPECT_FALSE(plausibleIdentity(bad, "*IDN?")) << bad;

    const std::string head = R"({"format": "korvelo-testset", "version": 1, "id": "x",
        "identity": [{"query": "*IDN?"}], )";
    const std::pair<std::string, std::string> refused[] = {
        {R"({"format": "korvelo-testset", "version": 2})", "version 2"},
        {head + R"("commands": {"powr": "P?"}})", "unknown command"},
        {head + R"("commands": {"power": {"query": "P?", "unit": "Hz"}}})", "no unit"},
        {head + R"("commands": {"power": {"query": "P?", "line": 3, "lines": 2}}})", "line"},
        {head + R"("timing": {"timeoutMs": 1}, "commands": {}})", "at least"},
    };
    for (const auto& [text, why] : refused) {
        const FamilyResult r = parseFamily(text);
        EXPECT_FALSE(r.family) << text;
        EXPECT_NE(r.error.find(why), std::string::npos) << r.error;
    }
}

// A transport scripted per line sent; silence costs the time-out on the virtual clock.
struct ScriptedTransport : Transport {
    VirtualClock& clock;
    std::deque<std::optional<std::string>> answers; // per line sent; nullopt: none
    std::string inbox;
    std::vector<std::string> sent;
    std::string_view adapterRead;
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
    std::string_view readRequest() const override { return adapterRead; }
};

// Replies are matched to their queries: an echo and the prompt are consumed, a status prefix
// is stripped (busy polled, an error failing with the line and the answer), the Nth line of a
// multi-line answer is taken, an adapter's read request follows queries only. After a
// time-out nothing is sent again blindly: the late answer is drained and the marker query
// puts the link back in step before the next reading.
TEST(InstrumentLink, RepliesMatchedToQueries) {
    VirtualClock clock;
    {
        ScriptedTransport t(clock);
        InstrumentLink link(t, clock);
        link.useFamily(*familyById("ifr2975"));
        t.answers = {"stale\r\nPower VALue\r\n4.98\r\n% ", "LOCKOUT ON\r\n% "};
        EXPECT_EQ(link.queryLine("Power VALue"), "4.98");
        EXPECT_TRUE(link.command("LOCKOUT ON"));
        t.answers = {"Generator RFLEVel x\r\nUnknown command\r\n% "};
        EXPECT_FALSE(link.command("Generator RFLEVel x"));
        EXPECT_NE(link.error().find("\"Unknown command\""), std::string::npos) << link.error();
    }
    {
        ScriptedTransport t(clock);
        InstrumentLink link(t, clock);
        link.useFamily(*familyById("r8000"));
        t.answers = {"2:Busy\r\n", "0:36.99\r\n", "1:Unknown command\r\n"};
        const std::int64_t before = clock.nowMs();
        EXPECT_EQ(link.queryLine("GET METER:Measured Power"), "36.99");
        EXPECT_EQ(clock.nowMs() - before, 250); // one poll
        EXPECT_FALSE(link.queryLine("GET METER:Measured Power"));
        EXPECT_EQ(link.error(), "script answered \"1:Unknown command\" to \"GET METER:Measured "
                                "Power\"");
        t.answers = {"2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n",
                     "2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n",
                     "2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n", "2:Busy\r\n"};
        EXPECT_FALSE(link.queryLine("GET METER:Measured Power")); // within one time-out
        EXPECT_NE(link.error().find("stayed busy for 3.0 s"), std::string::npos) << link.error();
    }
    {
        ScriptedTransport t(clock);
        t.adapterRead = "++read eoi";
        InstrumentLink link(t, clock);
        link.useFamily(*familyById("r2670"));
        t.answers = {std::nullopt, "12.0\r\n4.97\r\n2.51\r\n-2.49\r\n"};
        const auto lines = link.query("MR 0", 4);
        ASSERT_TRUE(lines);
        EXPECT_EQ((*lines)[1], "4.97");
        link.useFamily(genericScpi());
        EXPECT_TRUE(link.command("SENS:FREQ 1"));
        EXPECT_EQ(t.sent, (std::vector<std::string>{"MR 0\r\n", "++read eoi\n", "SENS:FREQ 1\n"}));
    }
    {
        ScriptedTransport t(clock);
        std::vector<std::string> trace;
        InstrumentLink link(t, clock, {}, [&](bool sent, std::string_view l) {
            trace.push_back((sent ? "> " : "< ") + std::string(l));
        });
        link.useFamily(genericScpi());
        t.answers = {std::nullopt, "4.98\n1\n", "5.01\n"};
        const std::int64_t before = clock.nowMs();
        EXPECT_FALSE(link.queryLine("MEAS:POW?"));
        EXPECT_EQ(clock.nowMs() - before, 2000); // one time-out, no second try
        EXPECT_EQ(link.error(), "no answer to \"MEAS:POW?\" from script within 2.0 s");
        EXPECT_EQ(link.queryLine("MEAS:POW?"), "5.01"); // not the late 4.98
        EXPECT_EQ(t.sent, (std::vector<std::string>{"MEAS:POW?\n", "*OPC?\n", "MEAS:POW?\n"}));
        EXPECT_NE(std::find(trace.begin(), trace.end(), "< 4.98"), trace.end());
    }
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
    auto adapter = parseConnection("gpib://10.0.0.5/14", why);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->kind, ConnectionSpec::Kind::GpibTcp);
    EXPECT_EQ(adapter->port, kDefaultGpibAdapterPort);
    EXPECT_EQ(adapter->gpibAddress, 14);
    EXPECT_EQ(makeTransport(*adapter)->openingLines(),
              "++mode 1\n++addr 14\n++auto 0\n++eoi 1\n++llo\n");
    for (const char* bad :
         {"tcp://host:0", "tcp://host:99999", "tcp://:5025", "gpib:/dev/x", "gpib://host/31",
          "gpib://host", "gpib:/dev/x:31", "usb:foo", "serial:"})
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
