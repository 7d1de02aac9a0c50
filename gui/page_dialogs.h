#pragma once
// The alignment and register page dialogs of the layers above the application shell.
#include <string>

namespace korvelo {

class CommandTable;
// The one place where page dialogs are added to the command table; Auto Align offers the
// simulated test set at simulatedTestSet when there is one.
void registerPageDialogs(CommandTable& table, std::string simulatedTestSet = {});

} // namespace korvelo
