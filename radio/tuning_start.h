#pragma once
// Tuning Init: puts the radio into tuner mode, learns its memory size, audio processor and band
// type, and reads its 256-byte tuning area into the tuning image.
#include "radio/radio_state.h"

#include <functional>
#include <string>

namespace korvelo {

// Reports the read of the tuning area: (0, 4) before the first block, then (n, 4) after block
// n has been read. Not called when the run ends before the read.
using TuningProgress = std::function<void(int block, int blocks)>;

// The success message's second line when the radio did not report its flags: "The radio did
// not report its memory size and audio processor; it was read as a 128-block AK2347 radio."
// (CMX148 when an earlier run or file had said so: the chip flag is kept.)
std::string flagsFallbackNote(bool isAk2347Radio);

// "This radio is already in Tuner Mode." with a second line on how to take it out.
std::string alreadyInTunerModeText();

// Runs the whole sequence on a transient link; every outcome is reported through the notifier
// and the session's flags. The image changes only when all four blocks have been read; true then.
// A radio that refuses tuner mode (already in it) leaves the session as it was: tuner mode,
// image and backup record.
bool TuningInit(const AppEnv& env, const TuningProgress& progress = {});

enum class TuningInitEnd { Read, AlreadyInTunerMode, Failed };
// The same, telling the refusal apart; without tellRefusal its message is left to the caller
// (the program offers Reset with it), every other message is told as above.
TuningInitEnd runTuningInit(const AppEnv& env, const TuningProgress& progress, bool tellRefusal);

} // namespace korvelo
