#pragma once
// The "ZEL Siganling System Deviation" page: the ZEL signalling softpot per channel spacing at
// the band's signalling frequency, keyed with the radio's ZEL frames.
#include "softpot/engine/page_spec.h"

namespace korvelo {

inline constexpr std::string_view kNoZelText = "There is not ZEL1200 Radio.";
inline constexpr std::string_view kNoRadioText = "Please Power On or Change the cable.";

const PageSpec& zelSignallingPage();

} // namespace korvelo
