#pragma once
// A whole alignment: the rows of the chosen procedures, each searched by the loop on the pages'
// own engine (the row set-up, "PTT Toggle" and the values go out as the pages send them), a row
// kept only when its reading lies within its limits, and at the end "Program" of every dialog
// that has a passed row (or nothing, when the values are discarded).
#include "radio/radio_state.h"
#include "testset/align_loop.h"
#include "testset/limits.h"
#include "testset/procedures.h"

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

class AlignRun {
  public:
    // The session must hold a radio's image after Tuning Init.
    AlignRun(const AppEnv& env, TestSet& testSet, const BandLimits& limits, LoopSettings settings,
             const std::vector<const Procedure*>& procs, std::function<bool()> shouldStop = {});
    ~AlignRun();

    // The rows in the order they will run, known before any radio traffic.
    const std::vector<AlignRow>& rows() const { return rows_; }
    // Runs every row; after each, onRow(index). Stops early when the radio or the test set
    // stops answering or shouldStop says so; the rows not run stay not done.
    void run(const std::function<void(int)>& onRow = {});
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
    bool closed_ = false;
};

// One line of the table: point, target, limits, old value, new value, reading, PASS/FAIL.
std::string formatRow(const AlignRow& row);

} // namespace korvelo::testset
