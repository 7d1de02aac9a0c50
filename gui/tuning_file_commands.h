#pragma once
// File "&Open..." and "&Save...": the file dialogs around the tuning file.
#include "radio/radio_state.h"

#include <QString>
#include <filesystem>
#include <functional>

class QDate;
class QWidget;

namespace korvelo {

// Asks for a file name; empty when the user cancelled. Tests replace the file dialogs.
struct TuningFileDialogs {
    std::function<QString(QWidget*)> openName;
    std::function<QString(QWidget*, const QString& suggested)> saveName;
};

// The name Save As offers: "SERIAL_band_date.tun" ("KV00012345_403-447MHz_2026-12-09.tun"),
// with "radio" for an unknown serial number and the band left out when none is known.
QString suggestedTuningFileName(const Session& session, const QDate& date);

TuningFileDialogs standardTuningFileDialogs();

// The name as the file system knows it (UTF-16 on Windows, never through the ANSI code page).
std::filesystem::path fileSystemPath(const QString& name);

// The file's name when it was read or written; empty after a cancel or a reported failure.
QString openTuningFileCommand(AppEnv& env, QWidget* parent, const TuningFileDialogs& dialogs);
QString saveTuningFileCommand(AppEnv& env, QWidget* parent, const TuningFileDialogs& dialogs);

} // namespace korvelo
