#pragma once
// The "Transmit Power" dialog: High and Low Power at five points. All of its behaviour is the
// SoftpotGroup's; the dialog holds the page's controls and its "Program" button.
#include "radio/radio_state.h"
#include "softpot/engine/softpot_group.h"
#include "softpot/gui/softpot_page_widget.h"

#include <QDialog>

class QPushButton;

namespace korvelo {

class CTxPower : public QDialog {
    Q_OBJECT
  public:
    CTxPower(AppEnv& env, QWidget* parent);
    ~CTxPower() override;

    SoftpotGroup& group() { return group_; }
    SoftpotRowWidget& rowWidget(int row) { return page_->rowWidget(row); }
    QPushButton* pttButton() const { return page_->pttButton(); }
    QPushButton* programButton() const { return program_; }

    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    SoftpotGroup group_;
    SoftpotPageWidget* page_ = nullptr;
    QPushButton* program_ = nullptr;
    bool opened_ = false;
    bool closed_ = false;
};

} // namespace korvelo
