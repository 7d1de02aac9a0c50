#pragma once
// The commands of the application layer itself: tuning start, tuning file, exit, the radio
// utilities, System Setup, the Connection Doctor and the help menu. Page dialogs are registered
// elsewhere (registerPageDialogs).
namespace korvelo {

class MainWindow;
void addShellCommands(MainWindow& window);

} // namespace korvelo
