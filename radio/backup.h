#pragma once
// Backups of what radios held: after every Tuning Init the tuning area as read goes into a
// tuning file of its own in the backup folder, named by serial number, band type and UTC
// time ("KV00012345_type5_20261208T221500Z.tun"), with a one-line JSON sidecar of the same
// name (".json") that records what the tuning file cannot. Backups are written as Save writes
// (temporary file, sync, rename), never replaced and never deleted by the program.
#include "radio/tuning_file.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

struct BackupFacts {
    std::string serial; // as the radio answered; empty when it did not
    std::uint8_t bandType = 0;
    bool is256BlockMemory = false;
    bool isAk2347Radio = true;
    std::optional<std::string> fwVersion; // when known
    std::string programVersion;
    std::string time; // UTC, "20261208T221500Z"
};

// "20261208T221500Z".
std::string utcStamp(std::chrono::system_clock::time_point t);
// "2026-12-08 22:15:00 UTC" from a stamp (the stamp itself when it is not one).
std::string readableStamp(std::string_view stamp);

// The serial number as it may stand in a file name: letters, digits and '-' ("unknown" when
// nothing is left).
std::string serialForFileName(std::string_view serial);
// "<serial>_type<band>_<time>" without the extension.
std::string backupStem(const BackupFacts& facts);

// The sidecar's one line (no line end) and back. Unknown keys are ignored; nothing when the
// text is not a flat JSON object.
std::string sidecarJson(const BackupFacts& facts);
std::optional<BackupFacts> parseSidecar(std::string_view text);

struct BackupWrite {
    std::filesystem::path path; // the tuning file written
    std::string failure;        // why none could be written (empty on success)
    bool ok() const { return failure.empty(); }
};

// Creates the folder when needed and writes the backup under the first free name: the stem,
// then the stem with "-2", "-3", ... (two reads in the same second keep both).
BackupWrite writeBackup(const std::filesystem::path& folder, const TuningRecord& record,
                        const BackupFacts& facts);

struct BackupEntry {
    std::filesystem::path path;
    BackupFacts facts;
    bool hasSidecar = false; // without it, serial, band and time come from the name
};

// Every backup in the folder, newest first; only those of `serial` when given.
std::vector<BackupEntry> listBackups(const std::filesystem::path& folder,
                                     const std::optional<std::string>& serial = std::nullopt);
// What is known of one tuning file as a backup: its sidecar, else its name; nothing when the
// name is not a backup's and there is no sidecar.
std::optional<BackupEntry> backupEntry(const std::filesystem::path& tunFile);

// Keeps the backup of a completed Tuning Init when the session's options ask for one, and
// records where it went (or why not) in the session's guard record, whose serial number the
// read has set. A failure is told as a warning: the read itself has succeeded.
void backupAfterRead(Session& session, Notifier& notifier);

} // namespace korvelo
