#include "cli/doctor_command.h"

#include "cli/cli_commands.h"
#include "cli/system_ports.h"
#include "doctor/connection_doctor.h"
#include "link/serial_device.h"

namespace korvelo::cli {

int doctorCommand(const std::optional<std::string>& port, std::ostream& out) {
    doctor::DoctorInput input;
    input.ports = systemSerialPorts();
    input.profile = systemProfile();
    input.runPort = port;
    input.system.user = doctor::currentUser();
    if (input.os != HostOs::Linux) {
        // No process table to look into: opening the port tells whether another program has it.
        input.tryOpen = [](const std::string& device) {
            SerialDevice d;
            const OpenResult result = d.open(PortSettings{device});
            d.close();
            return result;
        };
    }
    const doctor::DoctorReport report = doctor::examine(input);
    out << doctor::reportText(report);
    return report.usable ? kExitOk : kExitRadio;
}

int udevRuleCommand(std::ostream& out) {
    out << doctor::korveloUdevRule();
    return kExitOk;
}

} // namespace korvelo::cli
