#pragma once
// The commands of korvelo-cli over the radio data core. Results go to `out`; the messages of
// the operations go through the environment's notifier (standard error in the program).
#include "radio/radio_state.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace korvelo::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRadio = 1; // the radio or the port failed
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFile = 3;

// Tuning Init, then Save to `path`. An existing file is kept unless `force`. Progress lines go
// to `progress`. The radio stays in tuner mode, as after Tuning Init in the program.
int readCommand(const AppEnv& env, const std::string& path, bool force, std::ostream& progress);
int infoCommand(const AppEnv& env, std::ostream& out);
int resetCommand(const AppEnv& env);
// The CLI cannot know whether an earlier run left the radio in tuner mode, so it sends the
// command regardless.
int leaveCommand(const AppEnv& env);

// radioType labels the decoded softpots' frequency points; a tuning file does not record it.
int dumpCommand(const std::string& path, std::optional<std::uint8_t> radioType, Notifier& notifier,
                std::ostream& out);
int diffCommand(const std::string& a, const std::string& b, Notifier& notifier, std::ostream& out);

} // namespace korvelo::cli
