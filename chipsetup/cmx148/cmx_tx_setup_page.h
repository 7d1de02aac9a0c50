#pragma once
// "TX CMX148 SetUp" as data: every control of the dialog and the byte or bit field of the
// region 0x71..0xAD behind it; "DATA SEND" writes the whole region.
#include "chipsetup/core/register_page.h"

namespace korvelo {

const RegisterPageSpec& cmxTxSetupPage();

} // namespace korvelo
