#pragma once
// The main window: a menu, a toolbar and a status bar around a blank view. Every function is
// a command of the command table; the menus and the toolbar share one action per command.
#include "gui/command_table.h"
#include "gui/menu_layout.h"
#include "gui/tuning_file_commands.h"
#include "radio/radio_state.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QAction;
class QLabel;

namespace korvelo {

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // startupScan runs once at view start-up and sets portFault (the bridge search; nothing
    // when the port was given for the run).
    MainWindow(AppEnv& env, std::function<void(AppEnv&)> startupScan = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    CommandTable& commands() { return commands_; }
    AppEnv& env() { return env_; }

    // View start-up: the port scan, an AK2347 radio assumed, not in tuner mode.
    void startUp();

    // The action of a command id (menus and toolbar share it); nullptr when there is none.
    QAction* action(int id) const;
    // Enables every action by its handler and its rule over the radio state flags.
    void updateCommandStates();
    // Runs a command as a click on its menu item would.
    bool runCommand(int id);

    // Status-bar message while a long operation runs; empty restores the idle text.
    void showProgress(const QString& text);
    // A short note of what a command did, shown for a while.
    void showNote(const QString& text);

    const TuningFileDialogs& tuningFileDialogs() const { return fileDialogs_; }
    void setTuningFileDialogs(TuningFileDialogs dialogs) { fileDialogs_ = std::move(dialogs); }

    // The port given for this run (--port, --simulator); empty when the profile chooses.
    void setRunPort(const QString& device) { runPort_ = device; }
    const QString& runPort() const { return runPort_; }

    // File "E&xit": leaves tuner mode and closes, as the window's close box does.
    void exitCommand();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    QAction* makeAction(const MenuEntry& entry);
    void updateLockIndicators();

    AppEnv& env_;
    CommandTable commands_;
    std::function<void(AppEnv&)> startupScan_;
    TuningFileDialogs fileDialogs_ = standardTuningFileDialogs();
    QString runPort_;
    std::map<int, QAction*> actions_;
    std::map<int, EnableRule> rules_;
    QLabel* lockLabels_[3] = {};
    bool leftTunerMode_ = false;
    bool leaving_ = false;
    bool exiting_ = false;
    bool closePending_ = false;
};

} // namespace korvelo
