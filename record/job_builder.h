#pragma once
// A job's contents from the session: the radio, and every catalogue value of its audio
// processor as read and as programmed.
#include "radio/radio_state.h"
#include "record/job.h"

namespace korvelo::record {

// Who and where, the same for every job of a run.
struct JobContext {
    QString bench;
    QString technician;
    QString programVersion;
};

// The bench's host name, as jobs name their bench.
QString benchName();

// A new job for the radio the session has just read.
Job startJob(const Session& session, const JobContext& context, const QDateTime& now);
// The values as read and as programmed, and the image the radio now holds.
void updateValues(Job& job, const Session& session);
// The identity fields the session knows.
void updateIdentity(Job& job, const Session& session);

} // namespace korvelo::record
