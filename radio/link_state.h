#pragma once
// What a run leaves behind when it dies with the radio in its hands: while this process may
// have the radio in tuner mode or keyed, a small file in the program's data folder says so
// (the port, the serial number, what may still be on). A clean end removes it; at the next
// start a file whose process is gone means the last run ended unclean, and the radio on that
// port is unkeyed and taken out of tuner mode (the program asks first, korvelo-cli just does).
#include "radio/radio_state.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

struct LinkState {
    std::string port;
    std::string serialNumber; // empty when not known
    bool tunerMode = false;   // tuner mode entered, or possibly (the enter was sent)
    bool transmitterMayBeOn = false;
    long long pid = 0;  // the process that wrote it
    std::string bootId; // the system's boot (Linux); a file from another boot is left for sure
    bool operator==(const LinkState&) const = default;
};

std::string encodeLinkState(const LinkState& state);
std::optional<LinkState> decodeLinkState(std::string_view text);

// One file per port, so that two benches on two ports keep apart.
class LinkStateFile {
  public:
    explicit LinkStateFile(std::filesystem::path folder);
    ~LinkStateFile(); // a clean end: this process's files go

    // This process's state of its port: written atomically while the radio may be in tuner
    // mode or keyed, removed once neither.
    void put(LinkState state);
    // Removes every file this process wrote.
    void clear();

    struct Left {
        std::filesystem::path file;
        LinkState state;
    };
    // Files of runs that ended without removing them (their process is gone).
    std::vector<Left> leftUnclean() const;
    static void forget(const Left& left);

    const std::filesystem::path& folder() const { return folder_; }
    // The port of the last put, for changes that do not name one (the transmitter).
    const std::string& port() const { return port_; }

  private:
    std::filesystem::path fileFor(const std::string& port) const;
    std::filesystem::path folder_;
    std::string port_;
    std::vector<std::filesystem::path> written_;
};

// Before the frame that puts the radio into tuner mode: from here the radio may be in it.
void noteTunerModeComing(const AppEnv& env);
// The file follows the session after a change (tuner mode, the transmitter, the serial
// number). A refused Tuning Init says the radio is in tuner mode whatever the flags say.
void syncLinkState(Session& session, bool tunerModeRefused = false);
// The radio has left tuner mode (a confirmed leave or Reset): nothing is on any more.
void noteTunerModeLeft(Session& session);

// "Korvelo did not end cleanly while the radio on /dev/ttyUSB0 (serial KV00012345) was in
// tuner mode and its transmitter may have been keyed."
std::string uncleanEndText(const LinkState& state);
// Sends PTT off, then leave-tuner-mode, on the port of `env` (the port the file names). True
// when the radio answered the leave-tuner-mode command.
bool makeRadioSafe(const AppEnv& env);

} // namespace korvelo
