#pragma once
// The "Sub Audio Tx (CMX148 $CD)" dialog: a sub-audio page per channel spacing on tabs, one
// "Program" for the three.
#include "softpot/gui/softpot_tab_dialog.h"

namespace korvelo {

class CTxSubTone_125Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};
class CTxSubTone_25Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};
class CTxSubTone_20Dlg : public SoftpotPageWidget {
  public:
    using SoftpotPageWidget::SoftpotPageWidget;
};

class CTxSubTone : public SoftpotTabDialog {
    Q_OBJECT
  public:
    CTxSubTone(AppEnv& env, QWidget* parent);
};

} // namespace korvelo
