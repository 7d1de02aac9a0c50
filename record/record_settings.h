#pragma once
// The record's options in Korvelo's own settings, and where the bench's file lives.
#include <QString>

namespace korvelo::record {

// The bench's SQLite file in the user's data folder (created with its folder when missing).
QString defaultLocalPath();

class RecordSettings {
  public:
    // Who works at this bench; asked once, then kept.
    static QString technician();
    static void setTechnician(const QString& name);
    // The shop database's connection (a libpq connection string, service name or URI without
    // a password); empty when the bench keeps its record alone.
    static QString shopDatabase();
    static void setShopDatabase(const QString& conninfo);
};

// The bench's host name, as jobs name their bench.
QString benchName();

} // namespace korvelo::record
