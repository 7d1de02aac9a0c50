#pragma once
// File "&Open..." and "&Save...": the file dialogs around the tuning file.
#include "app/core/radio_state.h"

#include <QString>
#include <functional>

class QWidget;

namespace korvelo {

// Asks for a file name; empty when the user cancelled. Tests replace the file dialogs.
struct TuningFileDialogs {
    std::function<QString(QWidget*)> openName;
    std::function<QString(QWidget*)> saveName;
};

TuningFileDialogs standardTuningFileDialogs();

void openTuningFileCommand(AppEnv& env, QWidget* parent, const TuningFileDialogs& dialogs);
void saveTuningFileCommand(AppEnv& env, QWidget* parent, const TuningFileDialogs& dialogs);

} // namespace korvelo
