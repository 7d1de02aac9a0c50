#pragma once
// The commands of the application layer itself: tuning start, tuning file, exit, the radio
// utilities, System Setup, the Connection Doctor and the help menu. Page dialogs are registered
// elsewhere (registerPageDialogs).
namespace korvelo {

class LinkStateFile;
class MainWindow;
void addShellCommands(MainWindow& window);

// At start: for each port a run that ended unclean may have left keyed or in tuner mode, asks
// (naming the port and what may be on) whether to send PTT off and leave tuner mode there.
void offerUncleanEndRecovery(MainWindow& window, LinkStateFile& file);

} // namespace korvelo
