#pragma once
// Alignment > "Auto Align…": the chosen procedures against an RF test set (or the simulated
// one), a table that fills as the rows finish, progress and the time left; at the end Program
// the passed values or discard them. Abort, Escape and closing the window end the run at its
// next step with the transmitter unkeyed.
#include "gui/align_table_model.h"
#include "radio/radio_state.h"
#include "testset/align_run.h"
#include "testset/instrument_link.h"
#include "testset/test_set.h"
#include "testset/transport.h"

#include <QDialog>
#include <atomic>
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

class CommandTable;

class AutoAlignDialog : public QDialog {
    Q_OBJECT
  public:
    // simulatedTestSet: the simulated test set's address, offered first; empty when there is
    // none (a real radio).
    AutoAlignDialog(AppEnv& env, std::string simulatedTestSet, QWidget* parent = nullptr);
    ~AutoAlignDialog() override;

    AlignTableModel& table() { return model_; }
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
    void rowDone(int i);

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
    QProgressBar* progress_ = nullptr;
    QLabel* timeLeft_ = nullptr;
    QLabel* status_ = nullptr;

    std::unique_ptr<Clock> restClock_;
    RealClock wall_;
    std::unique_ptr<testset::Transport> transport_;
    std::unique_ptr<testset::InstrumentLink> link_;
    std::unique_ptr<testset::InstrumentTestSet> testSetDevice_;
    std::thread probeThread_;
    std::atomic<bool> probeStop_{false};
    bool probing_ = false;
    std::unique_ptr<testset::AlignRun> run_;
    bool running_ = false;
    bool abortRequested_ = false;
    bool closeRequested_ = false;
    std::int64_t startedMs_ = 0;
};

// Adds Alignment > "Auto Align…" to the command table.
void registerAutoAlign(CommandTable& table, std::string simulatedTestSet);

} // namespace korvelo
