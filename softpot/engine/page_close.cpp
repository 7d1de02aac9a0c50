#include "softpot/engine/page_close.h"

namespace korvelo {

std::string unprogrammedQuestion(int count) {
    if (count == 1)
        return "1 value has not been programmed into the radio. Program it now?";
    return std::to_string(count) +
           " values have not been programmed into the radio. Program them now?";
}

bool closePages(std::span<SoftpotGroup* const> pages, const CloseQuestion& ask) {
    int count = 0;
    for (const SoftpotGroup* page : pages)
        count += page->unprogrammedCount();
    if (count > 0) {
        const CloseChoice choice = ask(unprogrammedQuestion(count));
        if (choice == CloseChoice::Cancel)
            return false;
        for (SoftpotGroup* page : pages)
            page->stopTakingSteps(); // the dialog closes after the writes
        if (choice == CloseChoice::Program) {
            for (SoftpotGroup* page : pages)
                if (page->unprogrammedCount() > 0)
                    page->programBeforeClose();
        }
    }
    for (SoftpotGroup* page : pages)
        page->close();
    return true;
}

} // namespace korvelo
