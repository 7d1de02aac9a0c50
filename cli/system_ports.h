#pragma once
// What korvelo-cli takes from the system it runs on: the serial ports, System Configuration's
// choice and Korvelo's own settings with its backup folder. Qt's enumeration and settings on
// Linux and macOS; SetupAPI and the registry on Windows, where this build has no Qt.
#include "link/port_choice.h"
#include "link/port_provider.h"
#include "radio/guard_options.h"

#include <memory>
#include <string>

namespace korvelo::cli {

PortEnumeration systemSerialPorts();
ProfilePortValues systemProfile();
// The port the program would choose: the profile's, or the automatic search's.
std::unique_ptr<PortProvider> systemPortProvider();
// Korvelo's settings as the program stores them, and where its backups go.
GuardOptions systemGuardOptions(const std::string& programVersion);

} // namespace korvelo::cli
