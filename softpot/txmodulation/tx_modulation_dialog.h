#pragma once
// The "Transmit Modulation" dialog: a deviation page per channel spacing on tabs, one "Program"
// for the three. The pages follow the radio's audio processor (AK2347 softpots 0..63, CMX148
// deviation 0.00..3.95).
#include "softpot/gui/softpot_tab_dialog.h"

namespace korvelo {

class CDeviation_125Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};
class CDeviation_25Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};
class CDeviation_20Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};

class CTxFrequency : public SoftpotTabDialog {
    Q_OBJECT
  public:
    CTxFrequency(AppEnv& env, QWidget* parent);
};

} // namespace korvelo
