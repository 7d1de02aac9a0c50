#pragma once
// "TX Mode" (AK2347) as data: the template's groups and controls, the VR1 and VR5 gain codes in
// image byte 0x62, and "DATA SEND" of the register bytes 0x40..0x44 and 0x46, which the page
// sends as the image holds them.
#include "chipsetup/core/register_page.h"

namespace korvelo {

const RegisterPageSpec& txModePage();

} // namespace korvelo
