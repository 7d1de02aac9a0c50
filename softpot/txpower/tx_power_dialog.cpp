#include "softpot/txpower/tx_power_dialog.h"

#include "softpot/txpower/tx_power_page.h"

namespace korvelo {

CTxPower::CTxPower(AppEnv& env, QWidget* parent) : SoftpotPageDialog(env, txPowerPage(), parent) {}

} // namespace korvelo
