#pragma once
// korvelo-cli doctor and udev-rule.
#include <optional>
#include <ostream>
#include <string>

namespace korvelo::cli {

// The Connection Doctor's report on out; 0 when a usable cable port was found, 1 otherwise.
// port: the port given with --port, which this run would use instead of the profile's.
int doctorCommand(const std::optional<std::string>& port, std::ostream& out);

// Korvelo's udev rule, for installing it by hand.
int udevRuleCommand(std::ostream& out);

} // namespace korvelo::cli
