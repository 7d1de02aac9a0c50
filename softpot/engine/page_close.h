#pragma once
// Closing a dialog of one or more alignment pages (a page, or a tab host with a page per
// channel spacing). Values not yet programmed are counted over every page and the user is
// asked once; then each page closes as it does (unkeying the transmitter it keyed).
#include "softpot/engine/softpot_group.h"

#include <functional>
#include <span>
#include <string>

namespace korvelo {

enum class CloseChoice { Program, Discard, Cancel };

// "N values have not been programmed into the radio. Program them now?" (for one value, "1
// value has not been programmed into the radio. Program it now?")
std::string unprogrammedQuestion(int count);

using CloseQuestion = std::function<CloseChoice(const std::string& question)>;

// Asks only when some page holds values not programmed. Program runs each such page's
// "Program" (typed numbers included), Discard leaves the radio as it is; both then close every
// page and return true. Cancel closes nothing and returns false: the dialog stays open.
bool closePages(std::span<SoftpotGroup* const> pages, const CloseQuestion& ask);

} // namespace korvelo
