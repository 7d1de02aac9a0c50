#pragma once
// The commands of korvelo-cli over the radio data core. Results go to `out`; the messages of
// the operations go through the environment's notifier (standard error in the program).
#include "radio/radio_state.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace korvelo::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRadio = 1;   // the radio or the port failed
inline constexpr int kExitDiffers = 1; // diff: the files differ (as cmp says it)
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFile = 3;
inline constexpr int kExitNoRadio = 4; // verify, restore: the radio could not be read

// Tuning Init, then Save to `path`. An existing file is kept unless `force`; the file is
// created before the radio is read, so a name that cannot be written costs no radio traffic.
// Progress lines go to `progress`, what was read to `out`. The radio stays in tuner mode, as
// after Tuning Init in the program, unless `leave` asks to send leave-tuner-mode after a
// successful read.
int readCommand(const AppEnv& env, const std::string& path, bool force, bool leave,
                std::ostream& progress, std::ostream& out);
int infoCommand(const AppEnv& env, std::ostream& out);
int resetCommand(const AppEnv& env);
// The CLI cannot know whether an earlier run left the radio in tuner mode, so it sends the
// command regardless, and says whether the radio answered within its 1,000 ms (exit 1 if not).
int leaveCommand(const AppEnv& env, std::ostream& out);

// The backups in `folder` (of one serial number when given), newest first.
int backupsCommand(const std::filesystem::path& folder, const std::optional<std::string>& serial,
                   std::ostream& out);
// Tuning Init (with its backup), then a comparison with the file: kExitOk when the radio holds
// the file's tuning area and chip, kExitDiffers with the differing bytes listed.
int verifyCommand(const AppEnv& env, const std::string& path, bool leave, std::ostream& out);
// Tuning Init (with its backup), then the regions that differ from the backup written and read
// back. A backup of another serial number, or one that does not say, only with `force`.
int restoreCommand(const AppEnv& env, const std::string& path, bool force, bool leave,
                   std::ostream& out);

// radioType labels the decoded softpots' frequency points; a tuning file does not record it.
int dumpCommand(const std::string& path, std::optional<std::uint8_t> radioType, Notifier& notifier,
                std::ostream& out);
// 0 when the files hold the same radio kind and image, kExitDiffers when they differ. The
// differences are decoded through the tuning-area catalogue for the radio of `a`.
int diffCommand(const std::string& a, const std::string& b, std::optional<std::uint8_t> radioType,
                Notifier& notifier, std::ostream& out);

// Where the backup of the read went, after a completed Tuning Init ("Backup: PATH").
void sayBackup(const Session& s, std::ostream& out);

// A radio's text with its control and non-ASCII bytes escaped (\x07), for a terminal.
std::string printable(std::string_view text);

} // namespace korvelo::cli
