#include "cli/doctor_command.h"

#include "cli/cli_commands.h"
#include "cli/system_ports.h"
#include "doctor/connection_doctor.h"

namespace korvelo::cli {

int doctorCommand(const std::optional<std::string>& port, std::ostream& out) {
    const doctor::DoctorInput input = doctor::hostInput(systemSerialPorts(), systemProfile(), port);
    const doctor::DoctorReport report = doctor::examine(input);
    out << doctor::reportText(report);
    return report.usable ? kExitOk : kExitRadio;
}

int udevRuleCommand(std::ostream& out) {
    out << doctor::korveloUdevRule();
    return kExitOk;
}

} // namespace korvelo::cli
