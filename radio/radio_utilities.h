#pragma once
// The service commands that need no tuning image: Reset (take the radio out of tuner mode),
// the firmware version, serial number and country code reads, and leaving tuner mode when the
// program closes. Callers run the port-fault gate first where the command table says so.
#include "link/command_frame.h"
#include "radio/radio_state.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

// The gate of the gated commands: false, after "Radio Communication Error!!", while the port
// is marked faulty. The message's second line is the port's last reason, when one is known.
bool passPortFaultGate(const AppEnv& env);

// Five attempts of command 0x72; on an ACK clears inTunerMode and imageLoaded. After five
// attempts without one: "Radio Communication Error!!", flags unchanged.
bool ResetRadio(const AppEnv& env);

// One information read (0x70, 0x76, 0x7E): send, 100 ms, wait up to 5,000 ms. `data` holds
// at most `bytes` bytes and never more than the reply declared.
enum class InfoOutcome {
    Ok,         // the data reply came; `data` holds the payload
    NoAnswer,   // nothing within the time-out; "Please Power On or Change the cable." shown
    BadReply,   // an answer, but not a data reply
    PortFailed, // the port could not be opened (already reported)
};
struct InfoRead {
    InfoOutcome outcome = InfoOutcome::NoAnswer;
    std::vector<std::uint8_t> data;
    std::string why; // for BadReply: what came instead of the data, as a sentence
};
InfoRead readRadioInfo(const AppEnv& env, Cmd command, std::size_t bytes);
// The same read on a link the caller holds open, one try, without a message: the payload, or
// nothing when no data reply came.
std::optional<std::vector<std::uint8_t>> readInfoOnLink(RadioLink& link, Cmd command,
                                                        std::size_t bytes);

// Texts as the dialogs show them.
inline constexpr std::string_view kFwVersionInitial = "00.00";
inline constexpr std::string_view kReadFail = "Read Fail !";
// Prefix "D" when byte 0 is 'D', else "R"; then characters 1, 2, a point, characters 3, 4.
std::string formatFwVersion(std::span<const std::uint8_t> data);
// The ten characters in order; zero bytes add nothing.
std::string formatSerialNumber(std::span<const std::uint8_t> data);
// The country combo box's entries in list order (sorted: "", "Australia", "None").
inline constexpr std::string_view kCountryEntries[] = {"", "Australia", "None"};
// Index to select for a country code: 255 as 0, 0..2 themselves, anything else none (-1).
int countryIndex(std::uint8_t code);

// What edit 1009 shows: the value, or "Read Fail !" after an answer that was not the data.
// Nothing when the radio did not answer or the port failed: the user has been told, and a
// dialog with a placeholder value would look like an answer. What was shown is also kept in
// the session's identity (the bench window's radio panel).
std::optional<std::string> ReadFwVersion(const AppEnv& env);
std::optional<std::string> ReadSerialNumber(const AppEnv& env);
// The combo index to select (-1 for no selection, a code above 2); nothing as above.
std::optional<int> ReadCountryCode(const AppEnv& env);

// Identify: the firmware version, serial number and country code, one read each, into the
// session's identity. A radio that does not answer (or a port that fails) is told once and
// ends the reads; false then. An answer that is not the data gives "Read Fail !".
bool IdentifyRadio(const AppEnv& env);

// After a Tuning Init that read the radio, when the alignment record is kept: Identify, so that
// the job is named by the radio's serial number. Nothing without a recorder.
void identifyForRecord(const AppEnv& env);

// Command 0x41 when the radio is in tuner mode (exit and window close): 30 ms, then at most
// 1,000 ms for a reply whose content is not examined. inTunerMode is not cleared. True when
// the radio answered within the wait.
bool LeaveTunerMode(const AppEnv& env);

} // namespace korvelo
