#pragma once
// A whole alignment: the rows of the chosen procedures, each searched by the loop on the pages'
// own engine (the row set-up, "PTT Toggle" and the values go out as the pages send them), a row
// kept only when its reading lies within its limits, and at the end "Program" of every dialog
// that has a passed row (or nothing, when the values are discarded).
#include "radio/radio_state.h"
#include "testset/align_loop.h"
#include "testset/limits.h"
#include "testset/procedures.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvelo::testset {

struct AlignRow {
    const Procedure* procedure = nullptr;
    int dialog = 0; // index of the row's page or host in the run
    int tab = 0;
    int row = 0;
    std::string name;      // "High Power, point 1 (136.00000 MHz)"
    std::string limitName; // "power.high"
    std::optional<Limit> limit;
    bool done = false;
    PointResult result;
    bool passed() const { return done && result.outcome == PointOutcome::Pass; }
};

// How a run ended, for the window, the CLI and the record.
struct RunEnding {
    enum class Kind {
        NotRun,    // run() has not been called, or has not returned yet
        Completed, // every row ran (each PASS or FAIL)
        Aborted,   // stopped at the user's request (Abort, Escape, the close box, a signal)
        Fault,     // stopped because the radio or the test set stopped answering
    };
    Kind kind = Kind::NotRun;
    std::string reason; // Fault: what went wrong, and at which row
    // "completed", "aborted by the user", "stopped by a fault: <reason>"
    std::string text() const;
};

class AlignRun {
  public:
    // The session must hold a radio's image after Tuning Init.
    AlignRun(const AppEnv& env, TestSet& testSet, const BandLimits& limits, LoopSettings settings,
             const std::vector<const Procedure*>& procs, std::function<bool()> shouldStop = {});
    ~AlignRun();

    // The rows in the order they will run, known before any radio traffic.
    const std::vector<AlignRow>& rows() const { return rows_; }
    // Runs every row; after each, onRow(index). Stops early when the radio or the test set
    // stops answering, or a stop was asked for (requestStop, shouldStop); the rows not run stay
    // not done, the rows done keep their results. May run on a thread of its own, which then
    // owns the session and the link until it returns: only requestStop may be called meanwhile.
    void run(const std::function<void(int)>& onRow = {});
    // Told (on the run's thread) when a row keys the transmitter and when it unkeys it again,
    // with the row's index; set before run().
    void setOnKeying(std::function<void(int, bool)> fn) { onKeying_ = std::move(fn); }
    // Told (on the run's thread) of each iteration of a row as it is read, with the row's
    // index; set before run().
    void setOnStep(std::function<void(int, const AlignStep&)> fn) { onStep_ = std::move(fn); }
    // From any thread: the run ends at its next step, with the transmitter unkeyed.
    void requestStop() { stop_.store(true); }
    bool stopRequested() const { return stop_.load(); }
    // How the last run() ended.
    const RunEnding& ending() const { return ending_; }
    // Writes the passed values through each dialog's "Program" and closes the dialogs; false
    // when a write was not confirmed. Values of failed rows are never written.
    bool program();
    // Closes the dialogs without writing (the radio keeps what it holds).
    void discard();
    bool allPassed() const;
    void setRestClock(Clock* clock) { loop_.setRestClock(clock); }
    int passedCount() const;

  private:
    struct Dialog;
    AlignRow* runRow(AlignRow& row);

    AppEnv env_;
    TestSet& testSet_;
    AlignLoop loop_;
    std::vector<std::unique_ptr<Dialog>> dialogs_;
    std::vector<AlignRow> rows_;
    std::atomic<bool> stop_{false};
    std::function<void(int, bool)> onKeying_;
    std::function<void(int, const AlignStep&)> onStep_;
    RunEnding ending_;
    bool closed_ = false;
};

// One line of the table: point, target, limits, old value, new value, reading, PASS/FAIL.
std::string formatRow(const AlignRow& row);

} // namespace korvelo::testset
