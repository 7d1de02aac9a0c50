#pragma once
// The system's serial ports through QSerialPortInfo, as our own port records.
#include "link/port_choice.h"

#include <vector>

namespace korvelo {

// Every serial port the system has, in the system's order (natural order; cu.* only on macOS).
PortEnumeration enumerateSerialPorts();

// The start-up scan and the automatic mode's search: fills ports with the first CP210x bridge
// (at most one element) and sets portFault by whether one was found. A failed enumeration
// reports its text through the notifier and ends as no bridge found.
void ListSerialPorts(std::vector<SSerInfo>& ports, bool& portFault, Notifier& notifier);

} // namespace korvelo
