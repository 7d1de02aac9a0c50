#pragma once
// Putting a backup back into the radio in tuner mode: its tuning area is read afresh, and only
// the regions of the region table that differ from the backup are written, each read back.
#include "radio/radio_state.h"
#include "radio/tuning_file.h"
#include "radio/tuning_regions.h"

#include <optional>
#include <string>
#include <vector>

namespace korvelo {

// The regions to write so that every differing byte some region carries is written: for each
// such byte the smallest region holding it, and no region that lies inside another one chosen.
// In image order.
std::vector<Region> regionsToRestore(const TuningImage& radio, const TuningImage& backup);
// Differing bytes that no region writes: restore cannot put them back.
std::vector<unsigned> unwritableDifferences(const TuningImage& radio, const TuningImage& backup);

enum class RestoreOutcome {
    Restored,       // every region written and read back equal
    NothingToDo,    // the radio already holds what a restore can write
    NotInTunerMode, // refused: the radio must be in tuner mode (Tuning Init)
    OtherChip,      // refused: the backup is of the other audio processor
    NoPort,         // the port could not be opened (already told)
    ReadFailed,     // the radio's tuning area could not be read
    WriteFailed,    // a write was not acknowledged, or its read-back differs or failed
};

struct RestoreResult {
    RestoreOutcome outcome = RestoreOutcome::NothingToDo;
    std::vector<Region> written; // written and read back equal, in order
    std::vector<unsigned> notRestorable;
};

// The pause and wait of each write, as the alignment pages' Program.
inline constexpr int kRestoreWritePauseMs = 120;
inline constexpr int kRestoreWriteWaitMs = 3000;

// The radio's tuning area as it is now (the radio in tuner mode), read block by block; nothing,
// after "Read Radio Fail !! Please try again.", when it could not be read.
std::optional<TuningImage> readRadioArea(const AppEnv& env);

// Everything is told through the notifier. On Restored the session's image takes the written
// regions, so that the pages show what the radio now holds.
RestoreResult RestoreBackup(const AppEnv& env, const TuningRecord& backup);

} // namespace korvelo
