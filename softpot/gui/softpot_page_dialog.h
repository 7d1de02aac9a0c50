#pragma once
// A dialog of one alignment page: the page's controls and its "Program" button. All of its
// behaviour is the SoftpotGroup's.
#include "radio/radio_state.h"
#include "softpot/engine/softpot_group.h"
#include "softpot/gui/softpot_page_widget.h"

#include <QDialog>

class QPushButton;

namespace korvelo {

class SoftpotPageDialog : public QDialog {
    Q_OBJECT
  public:
    SoftpotPageDialog(AppEnv& env, const PageSpec& page, QWidget* parent);
    ~SoftpotPageDialog() override;

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
