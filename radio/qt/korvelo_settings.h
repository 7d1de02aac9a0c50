#pragma once
// Korvelo's own settings, apart from the original program's profile (TunerSettings): the one
// place that knows their keys. QSettings("Korvelo", "Korvelo") per user; on Windows the
// registry key Software\Korvelo\Korvelo. Values are stored as text ("true"/"false", decimal
// seconds), so that the Windows build of korvelo-cli, which has no Qt, reads them as stored.
#include "radio/guard_options.h"

#include <QSettings>
#include <QString>

namespace korvelo {

class KorveloSettings {
  public:
    static constexpr const char* kOrganisation = "Korvelo";
    static constexpr const char* kApplication = "Korvelo";
    // The keys, for the Windows reader.
    static constexpr const char* kBackupsKey = "Backups";
    static constexpr const char* kVerifyKey = "VerifyAfterWrite";
    static constexpr const char* kTransmitLimitKey = "TransmitLimitSeconds";

    KorveloSettings();

    // A backup of every radio read (default on).
    bool backups() const;
    void setBackups(bool on);
    // Every write to the radio read back and compared (default on).
    bool verifyAfterWrite() const;
    void setVerifyAfterWrite(bool on);
    // Seconds a page may keep the transmitter keyed, 10..600 (default 60).
    int transmitLimitS() const;
    void setTransmitLimitS(int seconds);

    // The settings as the core takes them, the backup folder and the program version added.
    GuardOptions guardOptions(const QString& programVersion) const;

    // The folder the backups go to: "backups" in Korvelo's data folder
    // (QStandardPaths::AppDataLocation under the names useKorveloNames gives the process).
    static QString backupFolder();

    // The alignment record: who works at this bench (asked once), and the shop database's
    // connection (a libpq connection string, service name or URI without a password; empty
    // when the bench keeps its record alone).
    QString technician() const;
    void setTechnician(const QString& name);
    QString shopDatabase() const;
    void setShopDatabase(const QString& conninfo);
    // The bench's record: "record.sqlite" in Korvelo's data folder, the folder made if missing.
    static QString recordFile();

    // The traffic dock is shown (View menu); hidden until the user shows it.
    bool trafficDockVisible() const;
    void setTrafficDockVisible(bool visible);

    void sync() { settings_.sync(); }

  private:
    bool flag(const char* key) const;
    QSettings settings_;
};

// Gives the process the organisation and application names under which Korvelo's data
// folder lies; the GUI and the CLI call it first, so both find the same backups.
void useKorveloNames();

} // namespace korvelo
