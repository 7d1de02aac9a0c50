#pragma once
// The question a dialog of alignment pages asks before it closes with values not programmed:
// a message box captioned "Tuner Tool" with Program, Discard and Cancel.
#include "softpot/engine/page_close.h"

#include <span>
#include <string>

class QWidget;

namespace korvelo {

// Shows the question; Escape or the close box answer Cancel.
CloseChoice askCloseQuestion(QWidget* parent, const std::string& question);

// closePages with that question: true when the dialog may close.
bool closeSoftpotPages(QWidget* parent, std::span<SoftpotGroup* const> pages);

} // namespace korvelo
