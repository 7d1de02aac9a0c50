#pragma once
// The record's tables, the same for the bench's SQLite file and the shop's PostgreSQL database,
// and the migrations that bring a database of any earlier version up to the current one.
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

namespace korvelo::record {

inline constexpr int kSchemaVersion = 5;

// The version the database is at: 0 for an empty database, -1 when it cannot be read.
int schemaVersion(QSqlDatabase& db);

// Applies the migrations after the database's version up to `upTo`, each in its own
// transaction with the version row. False with the reason in `error` when one fails (a role
// that may not create tables, a database newer than this program); the failed statement's
// error in `failure` when given.
bool migrate(QSqlDatabase& db, QString* error, int upTo = kSchemaVersion,
             QSqlError* failure = nullptr);

// The record's tables in the order of their dependencies (for the role script and the tests).
QStringList recordTables();

} // namespace korvelo::record
