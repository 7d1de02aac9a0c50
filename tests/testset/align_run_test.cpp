// A whole alignment run on a thread of its own, as the window runs it: the pages' engine on the
// simulated radio behind an in-memory port, a test set reading the radio's RF model.
#include "radio/tuning_start.h"
#include "sim/rf_bench.h"
#include "testset/align_run.h"

#include "support/sim_bench.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace korvelo::testset {
namespace {

// Reads the simulated radio's power without noise; can hold its reading once, the first time
// the radio is keyed after `holdAfterRows` rows, until the test lets it go; stops answering
// after `answersLeft` readings (< 0: never).
struct RadioTestSet : TestSet {
    SimBench& bench;
    sim::RfRadio rf{bench.radio};
    std::atomic<int> rowsDone{0};
    int holdAfterRows = -1;
    std::promise<void> held;
    std::shared_future<void> release;
    int answersLeft = -1;

    explicit RadioTestSet(SimBench& b) : bench(b) {}
    std::optional<std::string> identify() override { return "radio test set"; }
    bool setAnalyzerFrequency(double) override { return true; }
    std::optional<double> read(Measurement) override {
        if (answersLeft == 0)
            return std::nullopt;
        if (answersLeft > 0)
            --answersLeft;
        if (holdAfterRows >= 0 && rowsDone.load() >= holdAfterRows && bench.radio.pttOn) {
            holdAfterRows = -1;
            held.set_value();
            release.wait();
        }
        return rf.powerW(bench.radio, bench.clock.nowMs());
    }
    bool setGenerator(double, double) override { return true; }
    bool setGeneratorLevel(double) override { return true; }
    bool setGeneratorOutput(bool) override { return true; }
    bool setGeneratorModulation(double) override { return true; }
    std::string describe() const override { return "radio test set"; }
};

int lastPtt(const sim::RadioModel& radio) {
    int last = 0;
    for (const auto& f : radio.receivedFrames())
        if (f.size() == 5 && f[1] == 0x02 && (f[2] == 0x81 || f[2] == 0x82))
            last = f[2];
    return last;
}

// A stop asked from another thread while the second row is keyed ends the run at its next
// step: unkeyed, the first row kept with its PASS, the rest not run, the run "aborted by the
// user". A test set that stops answering ends the run as a fault naming the reason and the
// row; every row of a run that goes through says "completed".
TEST(AlignRun, SaysHowItEndedWhenStoppedFromAnotherThreadOrByAFault) {
    SimBench bench;
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.imageLoaded);
    const auto limits = shippedLimits(bench.session.radioType);
    ASSERT_TRUE(limits);
    const std::vector<const Procedure*> power{procedureByName("power")};

    {
        RadioTestSet ts(bench);
        std::promise<void> go;
        ts.release = go.get_future().share();
        ts.holdAfterRows = 1;
        auto held = ts.held.get_future();
        AlignRun run(bench.env(), ts, *limits, LoopSettings{}, power);
        EXPECT_EQ(run.ending().kind, RunEnding::Kind::NotRun);
        std::thread worker([&] { run.run([&](int) { ++ts.rowsDone; }); });
        held.wait();
        run.requestStop();
        go.set_value();
        worker.join();
        EXPECT_EQ(run.ending().kind, RunEnding::Kind::Aborted);
        EXPECT_EQ(run.ending().text(), "aborted by the user");
        ASSERT_EQ(run.rows().size(), 10u);
        EXPECT_TRUE(run.rows()[0].passed());
        for (std::size_t i = 1; i < run.rows().size(); ++i)
            EXPECT_FALSE(run.rows()[i].done) << i;
        EXPECT_FALSE(bench.radio.pttOn);
        EXPECT_EQ(lastPtt(bench.radio), 0x82);
        EXPECT_FALSE(bench.session.transmitterMayBeOn);
        run.discard();
    }
    {
        RadioTestSet ts(bench);
        ts.answersLeft = 1;
        AlignRun run(bench.env(), ts, *limits, LoopSettings{}, power);
        run.run();
        EXPECT_EQ(run.ending().kind, RunEnding::Kind::Fault);
        EXPECT_EQ(run.ending().text(),
                  "stopped by a fault: the test set gave no reading at " + run.rows()[0].name);
        EXPECT_FALSE(bench.radio.pttOn);
        run.discard();
    }
    {
        RadioTestSet ts(bench);
        AlignRun run(bench.env(), ts, *limits, LoopSettings{}, power);
        run.run();
        EXPECT_EQ(run.ending().text(), "completed");
        EXPECT_EQ(run.passedCount(), 10);
        run.discard();
    }
}

} // namespace
} // namespace korvelo::testset
