#include "chipsetup/gui/register_dialogs.h"

#include "chipsetup/cmx148/cmx_rx_setup_page.h"
#include "chipsetup/cmx148/cmx_tx_setup_page.h"
#include "chipsetup/txmode/tx_mode_page.h"

namespace korvelo {

CTxMode::CTxMode(AppEnv& env, QWidget* parent) : RegisterDialog(env, txModePage(), parent) {}

CTxCMX148_SetDlg::CTxCMX148_SetDlg(AppEnv& env, QWidget* parent)
    : RegisterDialog(env, cmxTxSetupPage(), parent) {}

CRxCMX148_SetDlg::CRxCMX148_SetDlg(AppEnv& env, QWidget* parent)
    : RegisterDialog(env, cmxRxSetupPage(), parent) {}

} // namespace korvelo
