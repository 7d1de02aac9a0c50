#pragma once
// The Connection Doctor: every serial port with what the system tells of it, the port Korvelo
// would use now and why, and the findings that stand between the technician and the radio.
// Pure over its input, so that the GUI, the CLI and the tests share it.
#include "doctor/system_checks.h"
#include "link/channel.h"
#include "link/port_choice.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvelo::doctor {

struct DoctorInput {
    PortEnumeration ports;              // every serial port of the system
    ProfilePortValues profile;          // System Configuration's choice
    std::optional<std::string> runPort; // a port given for this run (--port, --simulator)
    HostOs os = currentHostOs();
    SystemRoot system; // Linux and macOS: the device node and udev checks
    // Where no process table can be looked into (Windows): opens the device and closes it
    // again. Empty: no such test.
    std::function<OpenResult(const std::string& device)> tryOpen;
};

struct PortRow {
    SSerInfo port;
    bool cp210x = false;   // the automatic search accepts it
    bool autoPick = false; // the automatic search would take it now
    bool chosen = false;   // Korvelo would open it now
};

struct DoctorReport {
    std::vector<PortRow> ports;        // in the system's order
    std::string choice;                // how the port is chosen, and what that gives now
    std::optional<std::string> device; // the device Korvelo would open now
    std::vector<Finding> findings;
    bool usable = false; // that device is there and nothing found stands in its way
};

// The input for this machine: its root, the user running the program, and on the systems
// without a process table to look into, a test open of the port.
DoctorInput hostInput(PortEnumeration ports, ProfilePortValues profile,
                      std::optional<std::string> runPort);

DoctorReport examine(const DoctorInput& input);

// The report as korvelo-cli doctor prints it.
std::string reportText(const DoctorReport& report);

// "10c4:ea60", or empty when the system does not tell.
std::string usbIds(const SSerInfo& port);

// Find my cable: the port that appeared between a listing with the cable unplugged and one
// with it plugged in again; or why none can be taken.
struct AppearedPort {
    std::optional<SSerInfo> port;
    std::string problem;
};
AppearedPort portThatAppeared(const std::vector<SSerInfo>& before,
                              const std::vector<SSerInfo>& after);

} // namespace korvelo::doctor
