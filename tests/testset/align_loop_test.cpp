// The alignment loop on model radios and a model test set, on virtual time.
#include "model_bench.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvelo::testset {
namespace {

const Limit kPower{5.0, 0.1, 4.75, 5.25, "W"};

struct Case {
    const char* name;
    std::function<double(int)> response;
    double noise;
    double slopeGuess;
};

// Linear, saturating, noisy and offset radios all end within the tolerance, twice in a row, in
// a few iterations, with the settle time before every reading and the transmitter unkeyed.
TEST(AlignLoop, ConvergesOnLinearSaturatingNoisyAndOffsetRadios) {
    const Case cases[] = {
        {"linear", [](int v) { return 0.12 * v; }, 0, 0.06},
        {"saturating", [](int v) { return 6.5 * (1 - std::exp(-v / 25.0)); }, 0, 0.06},
        {"noisy", [](int v) { return 6.5 * (1 - std::exp(-v / 25.0)); }, 0.02, 0.06},
        {"offset", [](int v) { return 1.9 + 0.05 * v; }, 0, 0.06},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModelRadio radio;
        radio.response = c.response;
        ModelTestSet ts(radio);
        ts.noise = c.noise;
        VirtualClock clock;
        LoopSettings s;
        s.settleMs = 150;
        AlignLoop loop(ts, clock, s);
        const PointResult r = loop.run(radio, Quantity::Power, kPower, {c.slopeGuess});
        EXPECT_EQ(r.outcome, PointOutcome::Pass) << r.note;
        ASSERT_TRUE(r.reading);
        EXPECT_NEAR(*r.reading, 5.0, 0.1 + 3 * c.noise);
        EXPECT_NEAR(c.response(r.newValue), 5.0, 0.25);
        EXPECT_LE(r.iterations, 5);
        EXPECT_EQ(r.oldValue, 32);
        EXPECT_FALSE(radio.keyed);
        EXPECT_TRUE(radio.everKeyed);
        EXPECT_EQ(radio.sent.back(), r.newValue);
        int settles = 0;
        for (const auto& step : clock.steps())
            settles += step.kind == VirtualClock::Step::Sleep && step.ms == 150;
        EXPECT_EQ(settles, r.iterations);
        EXPECT_FALSE(loop.broken());
    }
}

// A radio whose reading does not move fails at the iteration limit; a target beyond the
// range stops at the end of the range and fails; a row the transmit watchdog ends fails with
// no reading of its own. None leaves the transmitter keyed.
TEST(AlignLoop, UnreachableTargetsFailUnkeyed) {
    {
        ModelRadio radio;
        radio.response = [](int v) { return 0.12 * v; };
        radio.watchdogAfter = 1;
        ModelTestSet ts(radio);
        VirtualClock clock;
        AlignLoop loop(ts, clock, LoopSettings{});
        const PointResult r = loop.run(radio, Quantity::Power, kPower, {0.01});
        EXPECT_EQ(r.outcome, PointOutcome::Fail);
        EXPECT_EQ(r.note, "the transmit watchdog unkeyed the radio");
        EXPECT_FALSE(r.reading);
        EXPECT_FALSE(radio.keyed);
    }
    {
        ModelRadio radio;
        radio.response = [](int) { return 3.0; };
        ModelTestSet ts(radio);
        VirtualClock clock;
        LoopSettings s;
        s.maxIterations = 4;
        s.maxStep = 4;
        AlignLoop loop(ts, clock, s);
        const PointResult r = loop.run(radio, Quantity::Power, kPower, {0.06});
        EXPECT_EQ(r.outcome, PointOutcome::Fail);
        EXPECT_EQ(r.iterations, 4);
        EXPECT_EQ(r.note, "iteration limit reached");
        EXPECT_FALSE(radio.keyed);
        // Never more than the largest step at a time.
        for (std::size_t i = 1; i < radio.sent.size(); ++i)
            EXPECT_LE(std::abs(radio.sent[i] - radio.sent[i - 1]), 4);
    }
    {
        ModelRadio radio;
        radio.response = [](int v) { return 0.05 * v; }; // 3.15 W at the top of the range
        ModelTestSet ts(radio);
        VirtualClock clock;
        AlignLoop loop(ts, clock, LoopSettings{});
        const PointResult r = loop.run(radio, Quantity::Power, kPower, {0.05});
        EXPECT_EQ(r.outcome, PointOutcome::Fail);
        EXPECT_EQ(r.newValue, 63);
        EXPECT_EQ(r.note, "the value is at the end of its range");
        for (int v : radio.sent)
            EXPECT_LE(v, 63);
        EXPECT_FALSE(radio.keyed);
    }
}

// A test set that stops answering ends the run with the transmitter unkeyed, and the rows after
// it are not run at all; an abort unkeys at once and rests no cool-down.
TEST(AlignLoop, SilentTestSetAndAbortUnkey) {
    ModelRadio radio;
    radio.response = [](int v) { return 0.12 * v; };
    ModelTestSet ts(radio);
    ts.answersLeft = 3;
    VirtualClock clock;
    LoopSettings s;
    s.dutyCycle = 0.5;
    AlignLoop loop(ts, clock, s);
    const PointResult r = loop.run(radio, Quantity::Power, kPower, {0.01});
    EXPECT_EQ(r.outcome, PointOutcome::Fail);
    EXPECT_EQ(r.note, "the test set gave no reading");
    EXPECT_FALSE(radio.keyed);
    EXPECT_TRUE(loop.broken());
    ModelRadio next;
    next.response = radio.response;
    EXPECT_EQ(loop.run(next, Quantity::Power, kPower, {0.06}).outcome, PointOutcome::Aborted);
    EXPECT_FALSE(next.everKeyed);
    EXPECT_EQ(next.setUps, 0);

    // Abort raised during the settle time after the first value.
    std::atomic<bool> abort{false};
    ModelRadio radio2;
    radio2.response = [](int v) { return 0.12 * v; };
    ModelTestSet ts2(radio2);
    VirtualClock clock2;
    clock2.schedule(100, [&] { abort = true; });
    AlignLoop loop2(ts2, clock2, s, [&] { return abort.load(); });
    const PointResult a = loop2.run(radio2, Quantity::Power, kPower, {0.06});
    EXPECT_EQ(a.outcome, PointOutcome::Aborted);
    EXPECT_FALSE(radio2.keyed);
    EXPECT_EQ(a.iterations, 0);
    EXPECT_LE(clock2.nowMs(), s.settleMs);

    // The duty cycle rests as long as the row was keyed (50 %).
    ModelRadio radio3;
    radio3.response = [](int v) { return 0.12 * v; };
    ModelTestSet ts3(radio3);
    VirtualClock clock3;
    AlignLoop loop3(ts3, clock3, s);
    const PointResult c = loop3.run(radio3, Quantity::Power, kPower, {0.12});
    ASSERT_EQ(c.outcome, PointOutcome::Pass);
    EXPECT_GT(c.keyedMs, 0);
    EXPECT_EQ(clock3.steps().back().ms, c.keyedMs);
}

// Squelch: the opening level is found coarse then fine at each value, and the value moves until
// it lies within the limits; the generator is switched off afterwards.
TEST(AlignLoop, SquelchSearchesTheOpeningLevel) {
    ModelRadio radio;
    radio.stored = 10;
    radio.response = [](int v) { return -127.3 + 0.5 * v; }; // opening level in dBm
    ModelTestSet ts(radio);
    VirtualClock clock;
    LoopSettings s;
    AlignLoop loop(ts, clock, s);
    const Limit limit{-118.0, 0.75, -120.0, -116.0, "dBm"};
    const PointResult r = loop.run(radio, Quantity::SquelchOpening, limit, {0.5});
    EXPECT_EQ(r.outcome, PointOutcome::Pass) << r.note;
    ASSERT_TRUE(r.reading);
    // The first open level of the fine search: at most one fine step above the true level.
    const double truth = radio.response(r.newValue);
    EXPECT_GE(*r.reading, truth);
    EXPECT_LT(*r.reading, truth + s.fineStepDb + 1e-9);
    EXPECT_FALSE(ts.generatorOn);
    EXPECT_FALSE(radio.everKeyed);
    // Each search starts below the limits and climbs.
    EXPECT_DOUBLE_EQ(ts.levels.front(), limit.low - s.squelchSpanDb);
}

} // namespace
} // namespace korvelo::testset
