#pragma once
// Whether this build can reach a shop database at all: that needs Qt's PostgreSQL driver, which
// the Windows build has none of. The bench's own record (SQLite) is kept either way.
#include <QSqlDatabase>
#include <QString>

namespace korvelo::record {

inline bool shopDatabaseAvailable() {
    return QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"));
}

inline QString shopDatabaseUnavailableText() {
    return QStringLiteral("The shop database is not available in this build (it has no "
                          "PostgreSQL client); the alignment record is kept in this bench's own "
                          "file.");
}

} // namespace korvelo::record
