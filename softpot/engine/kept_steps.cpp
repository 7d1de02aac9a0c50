// Steps that come while a page's dialog talks to the radio: kept by their page, shown at once,
// and committed as one when the dialog's last operation ends.
#include "softpot/engine/softpot_group.h"

namespace korvelo {

PageOperations::Scope::~Scope() {
    if (--ops_.depth_ == 0)
        ops_.commitKeptSteps();
}

void PageOperations::commitKeptSteps() {
    if (committing_)
        return; // the commits below end operations of their own
    committing_ = true;
    // Each commit is an operation of its own, during which further steps may be kept.
    for (bool more = true; more;) {
        more = false;
        for (std::size_t i = 0; i < pages_.size(); ++i)
            while (pages_[i]->commitKeptStep())
                more = true;
    }
    committing_ = false;
}

bool SoftpotGroup::isKept(int row) const {
    for (const KeptStep& k : kept_)
        if (k.row == row)
            return true;
    return false;
}

void SoftpotGroup::keepStep(int row, bool spin, int value) {
    SoftpotRowControls& c = at(row).controls;
    c.position = value;
    c.working = spin ? spinText(value) : page_.scale.format(value);
    bool found = false;
    for (KeptStep& k : kept_)
        if (k.row == row) {
            k.spin = spin;
            found = true;
        }
    if (!found)
        kept_.push_back({row, spin});
    changed();
}

bool SoftpotGroup::commitKeptStep() {
    if (closing_)
        kept_.clear();
    if (kept_.empty() || busy())
        return false;
    const KeptStep k = kept_.front();
    kept_.erase(kept_.begin());
    if (!k.spin) {
        endScroll(k.row);
        return true;
    }
    PageOperations::Scope scope(*ops_);
    takeTexts();
    spinTo(k.row, page_.scale.clamp(page_.scale.parse(at(k.row).workingText)));
    return true;
}

void SoftpotGroup::stopTakingSteps() {
    closing_ = true;
    kept_.clear();
}

} // namespace korvelo
