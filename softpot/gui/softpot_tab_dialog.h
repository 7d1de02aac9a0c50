#pragma once
// A dialog of three alignment pages on tabs (12.5KHz, 25KHz, 20KHz) with one "Program" for all
// of them. Its behaviour is the SoftpotTabHost's; the dialog shows the tabs, refuses a tab the
// host refuses, and forwards "Program" and closing.
#include "radio/radio_state.h"
#include "softpot/engine/tab_host.h"
#include "softpot/gui/softpot_page_widget.h"

#include <QDialog>
#include <array>

class QPushButton;
class QTabWidget;

namespace korvelo {

class SoftpotTabDialog : public QDialog {
    Q_OBJECT
  public:
    ~SoftpotTabDialog() override;

    SoftpotTabHost& host() { return host_; }
    SoftpotPageWidget& page(int tab) { return *pages_.at(static_cast<std::size_t>(tab)); }
    QTabWidget* tabs() const { return tabs_; }
    QPushButton* programButton() const { return program_; }

    void done(int result) override;

  protected:
    SoftpotTabDialog(AppEnv& env, const TabHostSpec& tables, QWidget* parent);
    // The three pages, built on host().page(0..2), in tab order.
    void setPages(std::array<SoftpotPageWidget*, TabHostSpec::kTabs> pages);
    void showEvent(QShowEvent* event) override;

  private:
    void tabChanged(int tab);
    void mirror();

    SoftpotTabHost host_;
    std::array<SoftpotPageWidget*, TabHostSpec::kTabs> pages_{};
    QTabWidget* tabs_ = nullptr;
    QPushButton* program_ = nullptr;
    bool opened_ = false;
    bool closed_ = false;
};

} // namespace korvelo
