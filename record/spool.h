#pragma once
// Jobs the bench's record could not take (the file locked by another writer, damaged, or on a
// full disk) wait in a spool: one JSON file per job, written whole or not at all, in a folder
// beside the record ("record.sqlite.spool"), or in the user's own folder under the temporary
// folder when that cannot be written either. The recorder imports them when the record can be
// written again. A spool file is removed only once its job is in the record.
#include "record/job.h"

#include <QStringList>
#include <optional>

namespace korvelo::record {

struct SpooledJob {
    Job job;
    bool ended = false;  // the job had ended: it waits for the shop database once imported
    qint64 ownerPid = 0; // the program that kept the job open
};

// Where a record's jobs are spooled, the first choice first.
QStringList spoolFolders(const QString& recordPath);

// Writes (replaces) the job's spool file: a temporary file, synced, renamed over the name. The
// path written, or empty with every folder's reason in `error`.
QString spoolJob(const QString& recordPath, const SpooledJob& job, QString* error);
// The job's spool files, in every folder.
QStringList spooledFiles(const QString& recordPath);
std::optional<SpooledJob> readSpooledJob(const QString& file, QString* error);
// Removes the job's spool files (it is in the record now).
void unspoolJob(const QString& recordPath, const QUuid& id);

} // namespace korvelo::record
