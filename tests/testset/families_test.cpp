// Automatic alignment against each simulated instrument family, in-process: the radio on a
// pseudo-terminal, the instrument on TCP with its own behaviour (echo and prompt, status prefix
// and busy, dBm, four-line answers, the GPIB adapter), the real clock with short settle times.
// Then the slow meter and the instrument faults.
#include "link/clock.h"
#include "link/port_provider.h"
#include "link/reply_objects.h"
#include "radio/radio_state.h"
#include "radio/tuning_start.h"
#include "sim/pty_radio.h"
#include "sim/testset_server.h"
#include "testset/align_run.h"
#include "testset/test_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

namespace korvelo::testset {
namespace {

struct Bench {
    sim::PtyRadio radio;
    std::unique_ptr<sim::TestSetServer> server;
    FixedPortProvider ports;
    ReplyObjects replies;
    RecordingNotifier notifier;
    Session session;
    RealClock clock;
    AppEnv env{session, replies, clock, notifier, ports};
    Family family;
    std::unique_ptr<Transport> transport;
    std::unique_ptr<InstrumentLink> link;
    std::unique_ptr<InstrumentTestSet> testSet;
    std::vector<std::string> trace;
    std::vector<std::int64_t> traceMs;
    std::array<std::uint8_t, sim::RadioModel::kTuningSize> before{};

    explicit Bench(sim::SimTestSetOptions options) : ports("") {
        EXPECT_TRUE(radio.start());
        ports = FixedPortProvider(radio.devicePath());
        server = std::make_unique<sim::TestSetServer>(radio, options);
        EXPECT_TRUE(server->start(0));
        session.guard.backupFolder.clear();
        TuningInit(env);
        EXPECT_TRUE(session.flags.imageLoaded);
        radio.withModel([&](sim::RadioModel& m) {
            std::copy(m.tuningArea().begin(), m.tuningArea().end(), before.begin());
        });
        // Short settle times keep the test quick; the behaviour is the family's own.
        family = *familyById(options.family);
        family.timing.settleMs = 30;
        family.timing.retuneMs = 0;
        family.timing.timeoutMs = 1000;
        family.timing.averagingMs = options.averagingMs;
        std::string why;
        transport = makeTransport(*parseConnection(server->address(), why));
        link = std::make_unique<InstrumentLink>(
            *transport, clock, LinkTiming{}, [this](bool sent, std::string_view l) {
                trace.push_back((sent ? "> " : "< ") + std::string(l));
                traceMs.push_back(clock.nowMs());
            });
        link->useFamily(family);
        EXPECT_TRUE(link->open(why)) << why;
        testSet = std::make_unique<InstrumentTestSet>(*link, &family);
        EXPECT_TRUE(testSet->identify()) << testSet->lastError();
    }
    ~Bench() {
        testSet.reset();
        server->stop();
        radio.stop();
    }
    // A line sent that starts with these words.
    bool sent(const std::string& start) const {
        return std::any_of(trace.begin(), trace.end(),
                           [&](const std::string& l) { return l.rfind("> " + start, 0) == 0; });
    }
    bool keyed() {
        return radio.withModel([](sim::RadioModel& m) { return m.pttOn; });
    }
};

LoopSettings fast() {
    LoopSettings s;
    s.settleMs = 30;
    return s;
}

// Each family: the ten power rows align and pass on its simulated instrument, and the trace
// holds the family's own lines (and, behind the adapter, the adapter's).
TEST(Families, TenPowerRowsPassOnEachInstrument) {
    const std::map<std::string, std::vector<std::string>> own = {
        {"scpi", {"MEAS:POW?", "SENS:FREQ 1"}},
        {"hp8920",
         {"++addr 14", "++auto 0", "++llo", "++read eoi", "MEAS:RFR:POW?", "DISP RFAN",
          "RFAN:FREQ 1"}},
        {"ifr2975", {"LOCKOUT ON", "Power VALue", "Receiver FREQuency 1"}},
        {"viavi8800", {":options:model?", ":rfpow:reading:avg?", ":rec:freq 1"}},
        {"r8000",
         {"SET METER:Subzone=Power Meter", "GET METER:Measured Power",
          "SET RF:Monitor Frequency=1"}},
        {"r2670", {"MR 0"}},
    };
    // The families side by side: each its own radio, instrument and session.
    std::vector<std::thread> threads;
    for (const auto& [id, lines] : own)
        threads.emplace_back([&id, &lines] {
            SCOPED_TRACE(id);
            sim::SimTestSetOptions o;
            o.family = id;
            o.busyAfterRetuneMs = 150;
            Bench b(o);
            const auto limits = shippedLimits(b.session.radioType);
            ASSERT_TRUE(limits);
            AlignRun run(b.env, *b.testSet, *limits, fast(), {procedureByName("power")});
            run.run();
            ASSERT_EQ(run.rows().size(), 10u);
            for (const AlignRow& r : run.rows())
                EXPECT_TRUE(r.passed()) << formatRow(r);
            EXPECT_FALSE(b.keyed());
            for (const std::string& l : lines)
                EXPECT_TRUE(b.sent(l)) << l;
            run.discard();
            b.testSet->finish();
            if (id == "hp8920") {
                EXPECT_TRUE(b.sent("++loc"));
            }
            if (id == "ifr2975") {
                EXPECT_TRUE(b.sent("LOCKOUT OFF"));
                // Every echo and prompt was consumed: no reading came from one.
                EXPECT_NE(std::find(b.trace.begin(), b.trace.end(), "< % "), b.trace.end());
            }
            if (id == "r8000") { // busy after the retune, asked again until ready
                EXPECT_NE(std::find(b.trace.begin(), b.trace.end(), "< 2:Busy"), b.trace.end());
            }
        });
    for (std::thread& t : threads)
        t.join();
}

// A meter averaging over 250 ms: the two readings each row passes on were both taken after
// the averaging time that followed its last value change, never on a window reaching back
// before it.
TEST(Families, SlowAveragingMeterPassesNoStaleReading) {
    sim::SimTestSetOptions o;
    o.family = "scpi";
    o.averagingMs = 250;
    Bench b(o);
    const auto limits = shippedLimits(b.session.radioType);
    AlignRun run(b.env, *b.testSet, *limits, fast(), {procedureByName("power")});
    run.run();
    const std::vector<bool> stale = b.server->powerStale();
    // The power queries of each row, in order: a row starts with its retune.
    std::vector<std::vector<std::size_t>> rows;
    std::size_t reading = 0;
    for (const std::string& l : b.trace) {
        if (l.rfind("> SENS:FREQ", 0) == 0)
            rows.emplace_back();
        else if (l == "> MEAS:POW?" && !rows.empty())
            rows.back().push_back(reading++);
        else if (l == "> MEAS:POW?")
            ++reading; // the identity check's reading
    }
    ASSERT_EQ(rows.size(), 10u);
    ASSERT_EQ(reading, stale.size());
    int passed = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const AlignRow& r = run.rows()[i];
        if (!r.passed())
            continue;
        ++passed;
        ASSERT_GE(rows[i].size(), 2u);
        EXPECT_FALSE(stale[rows[i][rows[i].size() - 1]]) << formatRow(r);
        EXPECT_FALSE(stale[rows[i][rows[i].size() - 2]]) << formatRow(r);
    }
    EXPECT_EQ(passed, 10);
}

// Faults of the instrument mid-run: silence, garbage, a busy that never clears, a dropped
// connection. The radio is unkeyed within one time-out of the failed reading, the row fails
// with the reason, the run stops, and nothing reaches the radio's memory for it.
TEST(Families, InstrumentFaultsUnkeyWithinOneTimeout) {
    struct Fault {
        const char* name;
        const char* family;
        int sim::SimTestSetOptions::*field;
        const char* says;
    };
    const Fault faults[] = {
        {"silence", "scpi", &sim::SimTestSetOptions::silentAfter, "no answer to \"MEAS:POW?\""},
        {"garbage", "ifr2975", &sim::SimTestSetOptions::garbageAfter, "no power reading"},
        {"busy", "r8000", &sim::SimTestSetOptions::busyForeverAfter, "stayed busy"},
        {"disconnect", "hp8920", &sim::SimTestSetOptions::hangUpAfter, "was lost"},
    };
    std::vector<std::thread> threads;
    for (const Fault& f : faults)
        threads.emplace_back([&f] {
            SCOPED_TRACE(f.name);
            sim::SimTestSetOptions o;
            o.family = f.family;
            o.busyAfterRetuneMs = 0;
            o.*f.field = 13; // in the second row
            Bench b(o);
            const auto limits = shippedLimits(b.session.radioType);
            AlignRun run(b.env, *b.testSet, *limits, fast(), {procedureByName("power")});
            std::int64_t failedAt = 0;
            run.run([&](int i) {
                if (!run.rows()[static_cast<std::size_t>(i)].passed() && failedAt == 0)
                    failedAt = b.clock.nowMs();
            });
            // The failed row: its last query went out, then at most one time-out passed before
            // the row was over with the transmitter off.
            const auto bad = std::find_if(run.rows().begin(), run.rows().end(),
                                          [](const AlignRow& r) { return r.done && !r.passed(); });
            ASSERT_NE(bad, run.rows().end());
            EXPECT_NE(bad->result.note.find(f.says), std::string::npos) << bad->result.note;
            EXPECT_FALSE(b.keyed());
            std::int64_t lastSent = 0;
            for (std::size_t i = 0; i < b.trace.size(); ++i)
                if (b.trace[i].rfind("> ", 0) == 0 && b.traceMs[i] <= failedAt)
                    lastSent = b.traceMs[i];
            EXPECT_LE(failedAt - lastSent, b.family.timing.timeoutMs + 700);
            // The rest of the run did not go on against the broken instrument.
            EXPECT_FALSE(run.rows().back().done);
            ASSERT_TRUE(run.program());
            const auto after = b.radio.withModel([](sim::RadioModel& m) {
                std::array<std::uint8_t, sim::RadioModel::kTuningSize> a{};
                std::copy(m.tuningArea().begin(), m.tuningArea().end(), a.begin());
                return a;
            });
            for (const AlignRow& r : run.rows())
                if (!r.passed()) {
                    EXPECT_EQ(r.result.newValue, r.result.oldValue);
                }
            // Nothing but the passed rows' bytes changed.
            int changed = 0;
            for (std::size_t i = 0; i < after.size(); ++i)
                changed += after[i] != b.before[i];
            EXPECT_LE(changed, run.passedCount());
        });
    for (std::thread& t : threads)
        t.join();
}

} // namespace
} // namespace korvelo::testset
