#pragma once
// The "Transmit Power" dialog: High and Low Power at five points. All of its behaviour is the
// SoftpotGroup's; the dialog lays out the controls, forwards the user's actions and mirrors
// the page's state.
#include "radio/radio_state.h"
#include "softpot/engine/softpot_group.h"

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;

namespace korvelo {

class SoftpotRowWidget;

class CTxPower : public QDialog, private SoftpotView {
    Q_OBJECT
  public:
    CTxPower(AppEnv& env, QWidget* parent);
    ~CTxPower() override;

    SoftpotGroup& group() { return group_; }
    SoftpotRowWidget& rowWidget(int row) { return *rows_.at(static_cast<std::size_t>(row)); }
    QPushButton* pttButton() const { return ptt_; }
    QPushButton* programButton() const { return program_; }

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void controlsChanged() override;
    void focusScrollBar(int row) override;
    void mirrorButtons();

    SoftpotGroup group_;
    std::vector<SoftpotRowWidget*> rows_;
    QPushButton* ptt_ = nullptr;
    QPushButton* program_ = nullptr;
    QLabel* status_ = nullptr;
    bool opened_ = false;
    bool closed_ = false;
};

} // namespace korvelo
