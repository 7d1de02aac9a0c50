#pragma once
// The "Transmit Power" page as data: ten rows (High and Low Power at five points), the image
// bytes 0x16..0x1F behind them, and the band tables its row setup sends.
#include "softpot/engine/page_spec.h"

#include <string>
#include <vector>

namespace korvelo {

const PageSpec& txPowerPage();

// The ten power softpots of a session's image, one line each, labelled as the page labels
// them ("High Power, point 1 (136.00000 MHz): 40"); for the command-line dump.
std::vector<std::string> describeTxPower(const Session& session);

} // namespace korvelo
