#pragma once
// Command line of korvelo-cli:
//   korvelo-cli [--port DEVICE | --simulator [sim options]] [--trace FILE] [--force] [--leave]
//   COMMAND
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvelo::cli {

// The simulated radio served in-process on a pseudo-terminal.
struct SimOptions {
    // 0x10 256-block memory, 0x20 CMX148; without it, 0 or the CMX148 bit of --sim-tun's magic
    std::optional<std::uint8_t> radioFlags;
    std::uint8_t radioType = 4;
    std::string tuningFile;             // initial tuning area from a .tun file
    bool pace = false;                  // real line rate
    bool silent = false;                // a switched-off radio
    std::string testSetFamily = "scpi"; // the simulated test set's instrument family
    int testSetAveragingMs = 0;         // and how long its readings average over
    // region writes acknowledged but lost, or stored altered
    enum class Writes { Stored, Lost, Altered, Unacknowledged } writes = Writes::Stored;
};

enum class Command {
    Read,
    Info,
    Reset,
    Leave,
    Dump,
    Diff,
    Doctor,
    UdevRule,
    Backups,
    Verify,
    Restore,
    Align,
    History,
    Report,
    TestsetProbe
};

struct AlignOptions {
    std::string testSet; // connection string; empty: the simulated one (with --simulator)
    std::string procedures = "power,deviation,squelch";
    std::optional<std::string> limitsFile;
    std::optional<std::string> family; // an instrument family's id; none: by its identity
    bool program = false;
    double dutyCycle = 1.0; // share of the time a transmitter may be keyed
    bool leave = false;     // send leave-tuner-mode at the end (--leave)
};

struct Options {
    std::optional<std::string> port;
    std::optional<SimOptions> simulator;
    std::optional<std::string> trace;
    bool force = false; // read: overwrite the file; restore: a backup of another radio
    bool leave = false; // read: send leave-tuner-mode after a successful read
    // dump: the band type, which a tuning file does not record; it labels the frequency points
    std::optional<std::uint8_t> radioType;
    // The alignment record: read keeps a job unless --no-record; history and report read the
    // bench's record, or the shop database with --shop (its setting) or --shop-db CONNINFO.
    bool record = true;
    bool shop = false;
    std::optional<std::string> shopDb;
    std::optional<std::string> pdf, csv, html; // report: the files to write
    Command command = Command::Info;
    // read, dump, verify, restore, report: 1; diff: 2; backups, history: the serial number,
    // when given
    std::vector<std::string> files;
    AlignOptions align;
};

// The options, or the reason the command line is wrong.
struct ParseResult {
    std::optional<Options> options;
    std::string error;
};
ParseResult parseCommandLine(const std::vector<std::string>& args);

// Whether the command talks to the radio (dump and diff only read files; doctor and
// udev-rule look at the system).
bool needsRadio(Command command);

const char* usageText();

} // namespace korvelo::cli
