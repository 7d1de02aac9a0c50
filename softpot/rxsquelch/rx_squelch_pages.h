#pragma once
// "Receive Squelch" as data: a tab host with a page per channel spacing, each with Normal and
// Tight squelch softpots (0..63) at the band's five receive points, image bytes 0x20..0x3D and
// the frequency-point mask at 0x52. Values go out with command 0x45 after the radio was set to
// the point's receive frequency.
#include "softpot/engine/tab_host.h"

namespace korvelo {

// spacing: 0, 1, 2 for 12.5, 25, 20 kHz, the order of the tabs.
const PageSpec& rxSquelchPage(int spacing);
const TabHostSpec& rxSquelchHost();

} // namespace korvelo
