#pragma once
// "Transmit Modulation" as data: a tab host with a page of five deviation softpots per channel
// spacing. AK2347 radios keep softpots 0..63 at 0x02 + 4 per point (command 0x43), CMX148
// radios raw values 0..79 shown as deviation x 0.05 at 0x83 + 5 per spacing (command 0xB3 02).
#include "softpot/engine/tab_host.h"

namespace korvelo {

// spacing: 0, 1, 2 for 12.5, 25, 20 kHz, the order of the tabs.
const PageSpec& txModulationPage(int spacing, bool isAk2347Radio);
const TabHostSpec& txModulationHost(bool isAk2347Radio);

} // namespace korvelo
