#pragma once
// The Qt side of a register page: group boxes, lists, edits with their up-down controls and
// radio buttons laid out from the page's table, each forwarding the user's actions to the
// RegisterPage and mirroring its state afterwards. Closing with settings that the radio has
// not confirmed asks first: Send, Discard or Cancel.
#include "chipsetup/core/register_page.h"

#include <QDialog>
#include <map>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;

namespace korvelo {

class UpDownControl;

class RegisterDialog : public QDialog {
    Q_OBJECT
  public:
    RegisterDialog(AppEnv& env, const RegisterPageSpec& table, QWidget* parent);
    ~RegisterDialog() override;

    RegisterPage& page() { return page_; }
    // The widget of a template control id (list, edit, view, first radio button's group);
    // nullptr when the page has none.
    QWidget* control(int id) const;
    UpDownControl* spin(int id) const;
    QPushButton* sendButton() const { return send_; }
    QLabel* statusLabel() const { return status_; }

    void done(int result) override;

  private:
    QWidget* makeControl(int i, QWidget* parent);
    void mirror();
    bool confirmClose();

    RegisterPage page_;
    std::map<int, QWidget*> controls_; // by binding index
    std::map<int, UpDownControl*> spins_;
    // The edits' key and focus filters, removed before the page goes (a focus change while
    // the widgets are destroyed must not reach it).
    std::vector<std::pair<QObject*, QObject*>> filters_;
    QPushButton* send_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace korvelo
