#pragma once
// Tools > Options: Korvelo's own guards (a backup of every read, the check after every write,
// the transmit limit). OK stores them in Korvelo's settings and in the running session.
#include "radio/guard_options.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace korvelo {

class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    OptionsDialog(const GuardOptions& current, QWidget* parent = nullptr);

    // The current options with the user's choices.
    GuardOptions chosen() const;

    QCheckBox* backups() const { return backups_; }
    QCheckBox* verify() const { return verify_; }
    QSpinBox* transmitLimit() const { return limit_; }
    // The alignment record's technician and shop database (Korvelo's settings).
    QLineEdit* technician() const { return technician_; }
    QLineEdit* shopDatabase() const { return shop_; }

  private:
    GuardOptions current_;
    QCheckBox* backups_;
    QCheckBox* verify_;
    QSpinBox* limit_;
    QLineEdit* technician_;
    QLineEdit* shop_;
};

} // namespace korvelo
