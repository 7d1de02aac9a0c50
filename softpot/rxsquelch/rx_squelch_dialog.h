#pragma once
// The "Receive Squelch" dialog: Normal and Tight squelch per channel spacing on tabs, one
// "Program" for the three.
#include "softpot/gui/softpot_tab_dialog.h"

namespace korvelo {

class CSquelch125Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};
class CSquelch_25Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};
class Squelch_20Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};

class CRxSquelch : public SoftpotTabDialog {
    Q_OBJECT
  public:
    CRxSquelch(AppEnv& env, QWidget* parent);
};

} // namespace korvelo
