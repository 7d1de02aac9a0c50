#include "softpot/txmodulation/tx_modulation_dialog.h"

#include "softpot/txmodulation/tx_modulation_pages.h"

namespace korvelo {

CTxFrequency::CTxFrequency(AppEnv& env, QWidget* parent)
    : SoftpotTabDialog(env, txModulationHost(env.session.flags.isAk2347Radio), parent) {
    setPages({new CDeviation_125Dlg(host().page(0)), new CDeviation_25Dlg(host().page(1)),
              new CDeviation_20Dlg(host().page(2))});
}

} // namespace korvelo
