#pragma once
// The main window: a menu, a toolbar and a status bar around the bench: the radio panel, the
// tuning area view and the traffic dock. Every function is a command of the command table;
// the menus and the toolbar share one action per command.
#include "gui/command_table.h"
#include "gui/menu_layout.h"
#include "gui/tuning_file_commands.h"
#include "link/traffic_log.h"
#include "radio/radio_state.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QAction;
class QLabel;

namespace korvelo {

class BenchRecord;
class RadioPanel;
class TrafficDock;
class TrafficModel;
class TuningAreaView;

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

    // The alignment record the program keeps (none in most tests).
    // Its indicator joins the status bar.
    void setBenchRecord(BenchRecord* record);
    BenchRecord* benchRecord() const { return benchRecord_; }

    // File "E&xit": leaves tuner mode and closes, as the window's close box does.
    void exitCommand();

    // The bench: what it shows follows the session (its onChange) and every command's end.
    void refreshBench();
    RadioPanel& radioPanel() const { return *panel_; }
    TuningAreaView& tuningArea() const { return *area_; }
    // The link's traffic for the dock; the program installs it as the reply objects' trace.
    TrafficLog& trafficLog() { return traffic_; }
    TrafficModel& trafficModel() const { return *trafficModel_; }
    TrafficDock& trafficDock() const { return *trafficDock_; }
    // The status bar's permanent indicators: port, tuner mode, transmitter.
    QLabel* portIndicator() const { return portIndicator_; }
    QLabel* modeIndicator() const { return modeIndicator_; }
    QLabel* txIndicator() const { return txIndicator_; }
    // "Compare with a file...": asks for the file with the Open dialog.
    void compareWithFile();
    // The program's end on a signal: once no radio exchange is running, every page that keyed
    // the transmitter unkeys it, the radio leaves tuner mode, and the program ends with status
    // 128 + signal (every dialog's loop ends with it).
    void stopOnSignal(int signal);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildBench();
    void buildViewMenu();
    QAction* makeAction(const MenuEntry& entry);
    void updateLockIndicators();

    AppEnv& env_;
    CommandTable commands_;
    std::function<void(AppEnv&)> startupScan_;
    TuningFileDialogs fileDialogs_ = standardTuningFileDialogs();
    QString runPort_;
    BenchRecord* benchRecord_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, EnableRule> rules_;
    QLabel* lockLabels_[3] = {};
    TrafficLog traffic_;
    TrafficModel* trafficModel_ = nullptr;
    TrafficDock* trafficDock_ = nullptr;
    RadioPanel* panel_ = nullptr;
    TuningAreaView* area_ = nullptr;
    QLabel* portIndicator_ = nullptr;
    QLabel* modeIndicator_ = nullptr;
    QLabel* txIndicator_ = nullptr;
    bool leftTunerMode_ = false;
    bool leaving_ = false;
    bool exiting_ = false;
    bool closePending_ = false;
    int stopSignal_ = 0;
};

} // namespace korvelo
