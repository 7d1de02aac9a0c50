#pragma once
// The transmit sub-audio pages (CMX148): a page per channel spacing with a CTCSS low, CTCSS
// high and DCS group of three points each, keyed with the selected tone or code, and their
// tab host.
#include "softpot/engine/page_spec.h"
#include "softpot/engine/tab_host.h"

namespace korvelo {

// spacing 0: 12.5 kHz, 1: 25 kHz, 2: 20 kHz.
const PageSpec& txSubAudioPage(int spacing);
const TabHostSpec& txSubAudioHost();

} // namespace korvelo
