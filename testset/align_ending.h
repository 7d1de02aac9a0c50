#pragma once
// How a run of automatic alignment ended, for the alignment record: completed, aborted by the
// user, or stopped by a fault with its reason. A run that never reached its first row (the
// test set could not be used) leaves the job as it was.
#include "radio/image_record.h"
#include "testset/align_run.h"

namespace korvelo::testset {

inline void recordRunEnding(const Session& session, const RunEnding& ending) {
    switch (ending.kind) {
    case RunEnding::Kind::NotRun:
        return;
    case RunEnding::Kind::Completed:
        recordAlignmentEnded(session, AlignmentEnding::Completed);
        return;
    case RunEnding::Kind::Aborted:
        recordAlignmentEnded(session, AlignmentEnding::Aborted);
        return;
    case RunEnding::Kind::Fault:
        recordAlignmentEnded(session, AlignmentEnding::Fault, ending.reason);
        return;
    }
}

} // namespace korvelo::testset
