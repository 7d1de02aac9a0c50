#pragma once
// The alignment and register page dialogs of the layers above the application shell.
namespace korvelo {

class CommandTable;
// The one place where page dialogs are added to the command table.
void registerPageDialogs(CommandTable& table);

} // namespace korvelo
