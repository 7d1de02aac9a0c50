#include "record/schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <array>
#include <span>

namespace korvelo::record {

namespace {

// Plain SQL that both SQLite and PostgreSQL take: text keys (the job's UUID) instead of serial
// columns, so a bench role needs no sequence rights and jobs keep their ids across databases;
// times as ISO 8601 UTC text, which sorts as time does.
constexpr const char* kVersion1[] = {
    "CREATE TABLE schema_version (version INTEGER NOT NULL)",
    "CREATE TABLE jobs ("
    " uuid TEXT PRIMARY KEY,"
    " serial TEXT NOT NULL,"
    " firmware TEXT NOT NULL,"
    " country TEXT NOT NULL,"
    " radio_type INTEGER NOT NULL,"
    " band TEXT NOT NULL,"
    " memory_blocks INTEGER NOT NULL,"
    " audio_processor TEXT NOT NULL,"
    " bench TEXT NOT NULL,"
    " technician TEXT NOT NULL,"
    " program_version TEXT NOT NULL,"
    " started_at TEXT NOT NULL,"
    " ended_at TEXT NOT NULL,"
    " image_read TEXT NOT NULL,"
    " image_after TEXT NOT NULL)",
    "CREATE INDEX jobs_serial ON jobs (serial, started_at)",
    "CREATE TABLE job_values ("
    " job_uuid TEXT NOT NULL REFERENCES jobs (uuid),"
    " seq INTEGER NOT NULL,"
    " page TEXT NOT NULL,"
    " name TEXT NOT NULL,"
    " as_read TEXT NOT NULL,"
    " as_programmed TEXT,"
    " PRIMARY KEY (job_uuid, seq))",
    "CREATE TABLE job_backups ("
    " job_uuid TEXT NOT NULL REFERENCES jobs (uuid),"
    " seq INTEGER NOT NULL,"
    " taken_at TEXT NOT NULL,"
    " path TEXT NOT NULL,"
    " PRIMARY KEY (job_uuid, seq))",
};

// The test set and its readings, and the read-back checks of writes.
constexpr const char* kVersion2[] = {
    "ALTER TABLE jobs ADD COLUMN test_set TEXT NOT NULL DEFAULT ''",
    "CREATE TABLE job_readings ("
    " job_uuid TEXT NOT NULL REFERENCES jobs (uuid),"
    " seq INTEGER NOT NULL,"
    " measured_at TEXT NOT NULL,"
    " value_name TEXT NOT NULL,"
    " quantity TEXT NOT NULL,"
    " unit TEXT NOT NULL,"
    " target DOUBLE PRECISION NOT NULL,"
    " low_limit DOUBLE PRECISION NOT NULL,"
    " high_limit DOUBLE PRECISION NOT NULL,"
    " reading DOUBLE PRECISION NOT NULL,"
    " pass INTEGER NOT NULL,"
    " PRIMARY KEY (job_uuid, seq))",
    "CREATE TABLE job_verifications ("
    " job_uuid TEXT NOT NULL REFERENCES jobs (uuid),"
    " seq INTEGER NOT NULL,"
    " verified_at TEXT NOT NULL,"
    " first_byte INTEGER NOT NULL,"
    " byte_count INTEGER NOT NULL,"
    " ok INTEGER NOT NULL,"
    " detail TEXT NOT NULL,"
    " PRIMARY KEY (job_uuid, seq))",
};

// How a job's automatic alignment ended.
constexpr const char* kVersion3[] = {
    "ALTER TABLE jobs ADD COLUMN ending TEXT NOT NULL DEFAULT 'completed'",
    "ALTER TABLE jobs ADD COLUMN end_reason TEXT NOT NULL DEFAULT ''",
};

// Each reading's search: the value sent and the reading it gave, iteration by iteration.
// Readings of earlier versions have none.
constexpr const char* kVersion4[] = {
    "CREATE TABLE job_reading_steps ("
    " job_uuid TEXT NOT NULL REFERENCES jobs (uuid),"
    " reading_seq INTEGER NOT NULL,"
    " seq INTEGER NOT NULL,"
    " softpot_value INTEGER NOT NULL,"
    " reading DOUBLE PRECISION NOT NULL,"
    " PRIMARY KEY (job_uuid, reading_seq, seq))",
};

// Readings typed from the meter on a page, with the row's value at that moment. The readings
// kept before were all Auto Align's.
constexpr const char* kVersion5[] = {
    "ALTER TABLE job_readings ADD COLUMN manual INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE job_readings ADD COLUMN softpot TEXT NOT NULL DEFAULT ''",
};

const std::array<std::span<const char* const>, kSchemaVersion> kMigrations{
    std::span<const char* const>(kVersion1), std::span<const char* const>(kVersion2),
    std::span<const char* const>(kVersion3), std::span<const char* const>(kVersion4),
    std::span<const char* const>(kVersion5)};

QString why(const QSqlError& e) {
    return e.text().trimmed();
}

} // namespace

QStringList recordTables() {
    return {"schema_version",   "jobs",         "job_values",
            "job_backups",      "job_readings", "job_verifications",
            "job_reading_steps"};
}

int schemaVersion(QSqlDatabase& db) {
    if (!db.tables().contains(QStringLiteral("schema_version")))
        return 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !q.next())
        return -1;
    return q.value(0).isNull() ? 0 : q.value(0).toInt();
}

namespace {

bool isSqlite(const QSqlDatabase& db) {
    return db.driverName() == QLatin1String("QSQLITE");
}

// Benches and threads that open one database at the same moment migrate it one at a time:
// SQLite takes its write lock at the start, PostgreSQL an advisory lock held to the commit.
// The failed statement's error in `failure` (the connection's last error is not the query's).
bool beginMigration(QSqlDatabase& db, QSqlError* failure) {
    QSqlQuery q(db);
    if (isSqlite(db)) {
        if (q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return true;
        *failure = q.lastError();
        return false;
    }
    if (!db.transaction()) {
        *failure = db.lastError();
        return false;
    }
    if (q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(160016)")))
        return true;
    *failure = q.lastError();
    return false;
}

bool endMigration(QSqlDatabase& db, bool commit, QSqlError* failure = nullptr) {
    if (isSqlite(db)) {
        QSqlQuery q(db);
        if (q.exec(commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK")))
            return true;
        if (failure)
            *failure = q.lastError();
        return false;
    }
    if (commit ? db.commit() : db.rollback())
        return true;
    if (failure)
        *failure = db.lastError();
    return false;
}

} // namespace

bool migrate(QSqlDatabase& db, QString* error, int upTo, QSqlError* failure) {
    QSqlError ignored;
    QSqlError& failed = failure ? *failure : ignored;
    for (;;) {
        if (!beginMigration(db, &failed)) {
            *error = why(failed);
            endMigration(db, false);
            return false;
        }
        // Read again under the lock: another bench may have migrated meanwhile.
        const int at = schemaVersion(db);
        if (at < 0 || at > kSchemaVersion) {
            *error = at < 0 ? QStringLiteral("cannot read the schema version")
                            : QStringLiteral("the database is at schema version %1, newer than "
                                             "this program's %2")
                                  .arg(at)
                                  .arg(kSchemaVersion);
            endMigration(db, false);
            return false;
        }
        if (at >= upTo) {
            if (endMigration(db, true, &failed))
                return true;
            *error = why(failed);
            return false;
        }
        const int version = at + 1;
        QSqlQuery q(db);
        bool ok = true;
        for (const char* statement : kMigrations[static_cast<std::size_t>(version - 1)]) {
            if (!q.exec(QString::fromLatin1(statement))) {
                ok = false;
                break;
            }
        }
        if (ok) {
            ok = version == 1 ? q.prepare(QStringLiteral("INSERT INTO schema_version (version) "
                                                         "VALUES (?)"))
                              : q.prepare(QStringLiteral("UPDATE schema_version SET version = ?"));
            q.addBindValue(version);
            ok = ok && q.exec();
        }
        if (!ok) {
            failed = q.lastError();
            *error = QStringLiteral("migration to schema version %1 failed: %2")
                         .arg(version)
                         .arg(why(failed));
            endMigration(db, false);
            return false;
        }
        if (!endMigration(db, true, &failed)) {
            *error = why(failed);
            return false;
        }
    }
}

} // namespace korvelo::record
