#pragma once
// What korvelo-cli takes from the system it runs on: the serial ports and System
// Configuration's choice. Qt's enumeration and settings on Linux and macOS; SetupAPI and the
// registry on Windows, where this build has no Qt.
#include "link/port_choice.h"
#include "link/port_provider.h"

#include <memory>

namespace korvelo::cli {

PortEnumeration systemSerialPorts();
ProfilePortValues systemProfile();
// The port the program would choose: the profile's, or the automatic search's.
std::unique_ptr<PortProvider> systemPortProvider();

} // namespace korvelo::cli
