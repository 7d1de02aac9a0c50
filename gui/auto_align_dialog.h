#pragma once
// Alignment > "Auto Align…": the chosen procedures against an RF test set (or the simulated
// one), a table that fills as the rows finish, progress and the time left; at the end Program
// the passed values or discard them. The run (and Program) works on a thread of its own that
// owns the radio link and the test set meanwhile, on the real clock; the window only shows its
// progress, so Abort, Escape and the close box are taken at any moment: the run ends at its
// next step with the transmitter unkeyed, and the rows done so far stay for Program or Discard.
#include "gui/align_table_model.h"
#include "radio/radio_state.h"
#include "testset/align_run.h"
#include "testset/instrument_link.h"
#include "testset/test_set.h"
#include "testset/transport.h"

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace korvelo {
class ConvergenceChart;
class TransmitBanner;
} // namespace korvelo

namespace korvelo {

class CommandTable;
class LinkLease;

class AutoAlignDialog : public QDialog {
    Q_OBJECT
  public:
    // simulatedTestSet: the simulated test set's address, offered first; empty when there is
    // none (a real radio).
    AutoAlignDialog(AppEnv& env, std::string simulatedTestSet, QWidget* parent = nullptr);
    ~AutoAlignDialog() override;

    AlignTableModel& table() { return model_; }
    QTableView* tableView() const { return view_; }
    QLabel* summaryLine() const { return summary_; }
    TransmitBanner* transmitBanner() const { return banner_; }
    // The current row's search, and the strip of finished rows.
    ConvergenceChart* convergenceChart() const { return chart_; }
    // A thread owns the radio link (a run, or its Program).
    bool running() const { return running_; }

    void start();
    void abort();
    // "Test connection": the family, identity and one reading of the test set, on a thread of
    // its own; the result goes to the status line.
    void testConnection();
    bool testingConnection() const { return probing_; }
    void programValues();
    void discardValues();
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    std::string connection() const;
    const testset::Family* chosenFamily() const;
    void probeDone(const testset::ProbeResult& r);
    void setStatus(const QString& text);
    void updateButtons();
    void rowDone(int i, const testset::AlignRow& row);
    void showKeyed(int row, bool on);
    // Runs work on the link's thread; then() follows on this thread once it has ended.
    void onLinkThread(std::function<void()> work, std::function<void()> then);
    // On the link's thread: connects to the test set, then runs the rows; why the test set
    // could not be used, or empty.
    std::string runOnThread();
    void runEnded(const std::string& testSetFault);
    // Closing with passed values not programmed: Program, Discard, or stay (false).
    bool settleBeforeClose();
    int pendingValues() const;

    AppEnv& env_;
    std::string simulated_;
    AlignTableModel model_;
    QComboBox* testSet_ = nullptr;
    QLineEdit* connection_ = nullptr;
    QComboBox* family_ = nullptr;
    QPushButton* probe_ = nullptr;
    std::vector<QCheckBox*> procedures_;
    QLineEdit* limitsFile_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* abort_ = nullptr;
    QPushButton* program_ = nullptr;
    QPushButton* discard_ = nullptr;
    QTableView* view_ = nullptr;
    QLabel* summary_ = nullptr;
    ConvergenceChart* chart_ = nullptr;
    TransmitBanner* banner_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* timeLeft_ = nullptr;
    QLabel* status_ = nullptr;

    RealClock wall_; // the link thread's clock
    std::unique_ptr<Notifier> threadNotifier_;
    std::unique_ptr<AppEnv> threadEnv_;
    std::thread thread_;
    std::unique_ptr<LinkLease> lease_;
    std::function<void()> onChange_; // the session's, set aside while the thread owns it
    std::unique_ptr<testset::Transport> transport_;
    std::unique_ptr<testset::InstrumentLink> link_;
    std::unique_ptr<testset::InstrumentTestSet> testSetDevice_;
    std::thread probeThread_;
    std::atomic<bool> probeStop_{false};
    bool probing_ = false;
    std::unique_ptr<testset::AlignRun> run_;
    bool running_ = false;
    bool programming_ = false;
    bool stopping_ = false;
    bool closeRequested_ = false;
    bool ready_ = false; // a radio's image in tuner mode (read while no thread owns the session)
    std::int64_t startedMs_ = 0;
};

// Adds Alignment > "Auto Align…" to the command table.
void registerAutoAlign(CommandTable& table, std::string simulatedTestSet);

} // namespace korvelo
