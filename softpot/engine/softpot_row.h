#pragma once
// One row of an alignment page: the page's three texts for it, and what its controls show.
// The two are kept apart on purpose: the page works on its texts and copies them from and to
// the controls only at its sync points, so a value typed but not yet entered stays in the
// control until the next "take".
#include "softpot/engine/page_spec.h"

#include <string>

namespace korvelo {

struct SoftpotRowControls {
    std::string frequency;      // frequency-point edit (never enabled on the power page)
    std::string defaultSoftpot; // Default Softpot edit, always disabled
    std::string working;        // Working Softpot edit
    int position = 0;           // scroll bar; the spin control has no position of its own
    bool enabled = false;       // scroll bar, spin control and Working Softpot edit
};

struct SoftpotRow {
    const RowSpec* desc = nullptr;
    std::string frequencyText;
    std::string defaultText;
    std::string workingText;
    SoftpotRowControls controls;
};

// Frequency in Hz and row tag of a row (currentRow, lastRow).
struct RowKey {
    double hz = 0.0;
    int tag = 0;
};

} // namespace korvelo
