#pragma once
// Korvelo's guards around the radio's memory and transmitter: a backup of every read, a
// read-back after every write, and a limit on how long a page keeps the transmitter keyed.
// The programs fill them from their settings; the core only reads them.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

namespace korvelo {

struct GuardOptions {
    static constexpr int kMinTransmitLimitS = 10;
    static constexpr int kMaxTransmitLimitS = 600;
    static constexpr int kDefaultTransmitLimitS = 60;

    // A backup of the tuning area after every Tuning Init, into backupFolder. None is taken
    // while the folder is empty (a program that has no place for them, the sequence tests).
    bool backups = true;
    std::filesystem::path backupFolder;
    // Every region written is read back and compared.
    bool verifyAfterWrite = true;
    // Seconds a page may keep the transmitter keyed.
    int transmitLimitS = kDefaultTransmitLimitS;
    // Recorded with each backup.
    std::string programVersion;

    bool takesBackups() const { return backups && !backupFolder.empty(); }
    static int clampTransmitLimit(int seconds) {
        return std::clamp(seconds, kMinTransmitLimitS, kMaxTransmitLimitS);
    }
};

// What the last Tuning Init left for the guards.
struct GuardRecord {
    // The radio's serial number as it answered at Tuning Init (nothing when it did not).
    std::optional<std::string> serialNumber;
    // Where the backup of that read went; empty with `backupFailure` saying why when none
    // could be kept, both empty when none was asked for.
    std::filesystem::path backup;
    std::string backupFailure;
};

} // namespace korvelo
