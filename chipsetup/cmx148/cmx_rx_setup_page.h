#pragma once
// "RX CMX148 SetUp" as data: the controls of the dialog and the bytes or bit fields of the
// region 0xC0..0xCD behind them; "DATA SEND" writes the region.
#include "chipsetup/core/register_page.h"

namespace korvelo {

const RegisterPageSpec& cmxRxSetupPage();

} // namespace korvelo
