// ===== Page dialog registration =====
// Every alignment page (softpot/) and register page (chipsetup/) is added to the command table
// here, as  table.addDialog(cmd::Id, Gate::PortFault, dialogFactory<CPage>()); the pages' meter
// readings find their limits through the test sets' limits files from here too.
// A command's menu item is enabled as soon as its dialog is registered here.
#include "gui/page_dialogs.h"

#include "chipsetup/gui/register_dialogs.h"
#include "gui/auto_align_dialog.h"
#include "gui/command_ids.h"
#include "gui/command_table.h"
#include "softpot/rxsquelch/rx_squelch_dialog.h"
#include "softpot/txmodulation/tx_modulation_dialog.h"
#include "softpot/txpower/tx_power_dialog.h"
#include "softpot/txsubaudio/tx_sub_audio_dialog.h"
#include "softpot/zel/zel_signalling_dialog.h"
#include "testset/typed_readings.h"

namespace korvelo {

void registerPageDialogs(CommandTable& table, std::string simulatedTestSet) {
    // The keying pages' rows take the meter's reading where the band's limits file has a limit.
    setReadingLimitFinder(testset::typedReadingLimit);
    table.addDialog(cmd::TxPower, Gate::PortFault, dialogFactory<CTxPower>());
    table.addDialog(cmd::TxModulation, Gate::PortFault, dialogFactory<CTxFrequency>());
    table.addDialog(cmd::RxSquelch, Gate::PortFault, dialogFactory<CRxSquelch>());
    table.addDialog(cmd::TxSignaling, Gate::PortFault, dialogFactory<CZELSignalingSys>());
    table.addDialog(cmd::TxSubAudio, Gate::PortFault, dialogFactory<CTxSubTone>());
    // Register pages (Service submenu).
    table.addDialog(cmd::AkTxMode, Gate::PortFault, dialogFactory<CTxMode>());
    table.addDialog(cmd::CmxTxSetup, Gate::PortFault, dialogFactory<CTxCMX148_SetDlg>());
    table.addDialog(cmd::CmxRxSetup, Gate::PortFault, dialogFactory<CRxCMX148_SetDlg>());
    registerAutoAlign(table, std::move(simulatedTestSet));
}

} // namespace korvelo
