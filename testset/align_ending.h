#pragma once
// How a run of automatic alignment ended, for the alignment record, from what the run tells:
// every row run is a completed run; a run that stopped early is aborted when the user asked it
// to stop, and stopped by a fault otherwise, with the last row's note as the reason.
#include "radio/image_record.h"
#include "testset/align_run.h"

#include <string>
#include <vector>

namespace korvelo::testset {

inline void recordRunEnding(const Session& session, const std::vector<AlignRow>& rows,
                            bool stopRequested) {
    std::size_t done = 0;
    std::string lastNote;
    for (const AlignRow& r : rows)
        if (r.done) {
            ++done;
            lastNote = r.result.note;
        }
    if (done == rows.size()) {
        recordAlignmentEnded(session, AlignmentEnding::Completed);
    } else if (stopRequested) {
        recordAlignmentEnded(session, AlignmentEnding::Aborted);
    } else {
        if (lastNote.empty())
            lastNote = "stopped after " + std::to_string(done) + " of " +
                       std::to_string(rows.size()) + " rows";
        recordAlignmentEnded(session, AlignmentEnding::Fault, lastNote);
    }
}

} // namespace korvelo::testset
