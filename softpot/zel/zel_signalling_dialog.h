#pragma once
// The "ZEL Siganling System Deviation" dialog: the ZEL signalling softpot of the three channel
// spacings, for AK2347 radios with the 256-block memory.
#include "softpot/gui/softpot_page_dialog.h"

namespace korvelo {

class CZELSignalingSys : public SoftpotPageDialog {
    Q_OBJECT
  public:
    CZELSignalingSys(AppEnv& env, QWidget* parent);
};

} // namespace korvelo
