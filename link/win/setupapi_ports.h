#pragma once
// Every COM port Windows has, through the device installation API: the ports that expose the
// COM port device interface, with their friendly name, description, manufacturer, USB ids and
// serial number.
#include "link/port_choice.h"

namespace korvelo {

// A failed step of the enumeration is reported in the result's error text, with the
// system's error code in hexadecimal.
PortEnumeration setupApiSerialPorts();

} // namespace korvelo
