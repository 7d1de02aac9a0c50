#pragma once
// The "Transmit Power" dialog: High and Low Power at five points.
#include "softpot/gui/softpot_page_dialog.h"

namespace korvelo {

class CTxPower : public SoftpotPageDialog {
    Q_OBJECT
  public:
    CTxPower(AppEnv& env, QWidget* parent);
};

} // namespace korvelo
