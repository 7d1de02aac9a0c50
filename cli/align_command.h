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

// korvelo-cli testset probe CONN [--family ID]: the family, the identity and one power reading;
// exit 0 when the test set answered all three.
int testsetProbeCommand(const std::string& connection, const std::optional<std::string>& family,
                        Notifier& notifier, std::ostream& out);
// The families' ids, for messages.
std::string familyIds();

} // namespace korvelo::cli
