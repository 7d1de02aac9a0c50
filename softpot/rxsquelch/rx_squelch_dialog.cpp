#include "softpot/rxsquelch/rx_squelch_dialog.h"

#include "softpot/rxsquelch/rx_squelch_pages.h"

namespace korvelo {

CRxSquelch::CRxSquelch(AppEnv& env, QWidget* parent)
    : SoftpotTabDialog(env, rxSquelchHost(), parent) {
    setPages({new CSquelch125Dlg(host().page(0)), new CSquelch_25Dlg(host().page(1)),
              new Squelch_20Dlg(host().page(2))});
}

} // namespace korvelo
