#pragma once
// korvelo-cli align: Tuning Init, then every row of the chosen procedures aligned against an RF
// test set, one line per row with PASS or FAIL, and (with --program) the passed values written
// through the pages' Program. Exit 0 only when every row passed (and was written).
#include "cli/cli_options.h"
#include "radio/radio_state.h"

#include <optional>
#include <ostream>
#include <string>

namespace korvelo::cli {

// A stop request (SIGINT, SIGTERM) ends the run at its next step with the transmitter unkeyed.
int alignCommand(const AppEnv& env, const AlignOptions& options, std::ostream& out);

} // namespace korvelo::cli
