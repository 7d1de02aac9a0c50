#pragma once
// The commands of the application layer itself: tuning start, tuning file, exit, the radio
// utilities, System Setup, the Connection Doctor and the help menu. Page dialogs are registered
// elsewhere (registerPageDialogs).
#include <string_view>

namespace korvelo {

class LinkStateFile;
struct AppEnv;
class MainWindow;
void addShellCommands(MainWindow& window);

// At start: for each port a run that ended unclean may have left keyed or in tuner mode, asks
// (naming the port and what may be on) whether to send PTT off and leave tuner mode there.
void offerUncleanEndRecovery(MainWindow& window, LinkStateFile& file);

// The second line of "Radio Communication Error!!" and the radio panel's fault while no cable
// is found.
inline constexpr std::string_view kNoCableReason =
    "No Korvelo cable was found: Tools > Connection Doctor tells why.";

// The start-up search for the cable: sets portFault, and its reason when none is found.
void searchForCable(AppEnv& env);
// After the user chose a port (System Setup, Find my cable): a named port clears the fault,
// automatic detection searches again.
void portChosen(AppEnv& env);

} // namespace korvelo
