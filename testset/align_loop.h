#pragma once
// The search for one softpot value: set up the row, key, wait until a reading is fresh (the
// settle time and the test set's averaging after the last value change), read until two
// readings in a row agree, move the value by the measured slope (secant steps, clamped to the
// range and to a largest step) until a confirmed reading lies within the tolerance or the
// iteration limit is reached; unkey whatever happened (a failed reading unkeys at once, with no
// retry); cool down. A row passes only on a fresh, confirmed reading within its limits. Squelch
// rows search the generator level at which the radio opens (coarse, then fine) at each value.
#include "link/clock.h"
#include "testset/limits.h"
#include "testset/test_set.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvelo::testset {

// The radio side of one row, through the same operations the pages use.
class AlignRadio {
  public:
    virtual ~AlignRadio() = default;
    // Sets the radio up for the row (its frequency point, its stored values); false when the
    // radio did not answer.
    virtual bool setUp() = 0;
    virtual bool key() = 0;
    // Safe to call at any time, also when not keyed; false when the radio did not confirm.
    virtual bool unkey() = 0;
    // Sends the row's value live; false when the radio did not answer.
    virtual bool setValue(int value) = 0;
    virtual int storedValue() const = 0;
    virtual int maxValue() const = 0;
    // The row's frequency point in Hz (analyser or generator frequency).
    virtual double frequencyHz() const = 0;
    // Between steps: lets the transmit watchdog act; true while the transmitter is keyed.
    virtual bool stillKeyed() = 0;
};

struct LoopSettings {
    int maxIterations = 6;
    int maxStep = 16; // the largest move of one step, in softpot steps
    // Readings at one value until two in a row agree within the tolerance, at most this many.
    int maxReadings = 4;
    // After a new value, before a reading counts (at least the test set's own settle and
    // averaging time).
    int settleMs = 150;
    // Share of the time a transmitter may be keyed: after a row keyed for t, the loop rests
    // t x (1 - duty) / duty. 1: no rest.
    double dutyCycle = 1.0;
    // Squelch: the generator's start below the target, its coarse and fine steps, and the
    // audio level above which the radio counts as open.
    double squelchSpanDb = 8.0;
    double coarseStepDb = 2.0;
    double fineStepDb = 0.25;
    double openAudioV = 0.1;
};

// How a reading moves with the value: its sign, and a first guess of its size per step, for
// the first step before two readings give the slope.
struct Response {
    double slopePerStep = 0.1;
};

enum class PointOutcome { Pass, Fail, Aborted };

// One iteration of the search: the value sent and the reading it gave.
struct AlignStep {
    int value = 0;
    double reading = 0;
};

struct PointResult {
    int oldValue = 0;
    int newValue = 0; // the value of the last reading: what would be programmed
    std::optional<double> reading;
    int iterations = 0;
    PointOutcome outcome = PointOutcome::Fail;
    std::string note; // why it failed
    std::int64_t keyedMs = 0;
    std::vector<AlignStep> steps; // one per iteration, in order
};

// What one row measures.
enum class Quantity { Power, Deviation, SquelchOpening };

class AlignLoop {
  public:
    // shouldStop: asked between steps (Abort, Escape, a closed window, a signal); true ends the
    // row at once with the transmitter unkeyed.
    AlignLoop(TestSet& testSet, Clock& clock, LoopSettings settings,
              std::function<bool()> shouldStop = {})
        : testSet_(testSet), clock_(clock), s_(settings), shouldStop_(std::move(shouldStop)) {}

    PointResult run(AlignRadio& radio, Quantity q, const Limit& limit, Response response);
    // The test set stopped answering or the radio did: the rest of the run cannot go on.
    bool broken() const { return broken_; }
    // The settle and cool-down pauses on another clock (a window that must take an Abort click
    // while the loop waits); the radio's own pauses stay on the radio's clock.
    void setRestClock(Clock* clock) { rest_ = clock; }
    const LoopSettings& settings() const { return s_; }
    // Told (on the loop's thread) of each iteration as it is read, for a live picture of the
    // search; the same steps end in PointResult::steps.
    void setOnStep(std::function<void(const AlignStep&)> fn) { onStep_ = std::move(fn); }
    // A stop has been asked for (the shouldStop given above).
    bool aborted() const { return shouldStop_ && shouldStop_(); }

  private:
    struct Reading {
        double value = 0;
        bool confirmed = false; // two readings in a row agreed
    };
    std::optional<Reading> measure(AlignRadio& radio, Quantity q, const Limit& limit);
    std::optional<double> openingLevel(const Limit& limit);
    Clock& rest() { return rest_ ? *rest_ : clock_; }

    TestSet& testSet_;
    Clock& clock_;
    Clock* rest_ = nullptr;
    LoopSettings s_;
    std::function<bool()> shouldStop_;
    std::function<void(const AlignStep&)> onStep_;
    bool broken_ = false;
    bool noReading_ = false;
};

} // namespace korvelo::testset
