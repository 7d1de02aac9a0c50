#pragma once
// Jobs in a record database (the bench's SQLite file or the shop's PostgreSQL database), read
// and written with bound parameters only. A store is used on the thread that opened its
// connection.
#include "record/job.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <optional>

namespace korvelo::record {

// Opens (creating it) the SQLite file at `path` as connection `name`, migrated to the current
// schema, with the bench's own outbox table. An invalid database with the reason in `error`
// when it cannot be opened. With `damaged`, the file's integrity is checked too, and *damaged
// tells whether it failed because the file is not a sound database (rather than being locked
// or on a full disk). `busyMs` is how long a statement waits for another writer.
QSqlDatabase openLocalDatabase(const QString& path, const QString& name, QString* error,
                               bool* damaged = nullptr, int busyMs = 10000);

// SQLite's own word that a file is damaged or no database at all (SQLITE_CORRUPT, SQLITE_NOTADB).
bool isDamage(const QSqlError& error);

// Opens the shop database as connection `name`. `conninfo` is what PostgreSQL's own tools take:
// "service=shop", "host=... dbname=... sslmode=require" or a postgresql:// URI; it must not hold
// a password (libpq takes it from ~/.pgpass or PGPASSWORD). A connect time-out of 10 s is added
// unless one is given. The schema is migrated when the role may do so; a shop database behind
// this program's schema that the role cannot migrate is refused with the reason.
QSqlDatabase openShopDatabase(const QString& conninfo, const QString& name, QString* error);

// Why a shop connection setting is refused (it holds a password), or empty.
QString shopConninfoProblem(const QString& conninfo);

class JobStore {
  public:
    explicit JobStore(QSqlDatabase db) : db_(std::move(db)) {}

    // The bench: writes the job as it now stands, replacing what was kept of it before.
    bool save(const Job& job, QString* error);

    // The shop: adds the job unless a job with its id is there already; the job's rows go in
    // one transaction with it. Never changes a job that is there.
    enum class Insert { Inserted, AlreadyThere, Failed };
    Insert insertOnce(const Job& job, QString* error);

    std::optional<Job> job(const QUuid& id);
    // The job whose id starts with `prefix` (at least 4 hex digits), if exactly one does.
    std::optional<QUuid> findJob(const QString& prefix);
    // Radios whose serial number contains `filter` (all radios when empty), last seen first.
    QVector<RadioSummary> radios(const QString& filter = {});
    // A radio's jobs, oldest first, with all their rows.
    QVector<Job> jobsOf(const QString& serial);
    int jobCount();

    QSqlDatabase& database() { return db_; }
    // Why the last save failed, as the failed statement told it.
    const QSqlError& lastError() const { return lastError_; }

  private:
    bool insertRows(const Job& job, QSqlError* error);

    QSqlDatabase db_;
    QSqlError lastError_;
};

// ISO 8601 UTC with milliseconds, the form every time is kept in.
QString timeText(const QDateTime& t);
QDateTime timeFrom(const QString& text);

} // namespace korvelo::record
