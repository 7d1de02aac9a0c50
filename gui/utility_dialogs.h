#pragma once
// The radio's information dialogs. The radio is read before the dialog is built; a read that
// got no answer (or a port that failed) has told the user and opens no dialog, so that no
// placeholder is taken for the radio's value. "OK" closes a dialog and sends nothing.
#include "radio/radio_state.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QLineEdit;

namespace korvelo {

// A caption, a label, one read-only edit (control 1009) and OK.
class ReadingDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kValueId = 1009;
    QLineEdit* valueEdit() const { return value_; }

  protected:
    ReadingDialog(const QString& caption, const QString& initial, Qt::Alignment alignment,
                  QWidget* parent);
    QLineEdit* value_ = nullptr;
};

class CFWVersionDlg : public ReadingDialog {
    Q_OBJECT
  public:
    CFWVersionDlg(const QString& value, QWidget* parent);
    // Reads the radio; nullptr after a failed read.
    static std::unique_ptr<QDialog> read(AppEnv& env, QWidget* parent);
};

class CSerialnumDlg : public ReadingDialog {
    Q_OBJECT
  public:
    CSerialnumDlg(const QString& value, QWidget* parent);
    static std::unique_ptr<QDialog> read(AppEnv& env, QWidget* parent);
};

class CCountryCode : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kCountryId = 1002;
    CCountryCode(int index, QWidget* parent); // -1: no selection
    static std::unique_ptr<QDialog> read(AppEnv& env, QWidget* parent);
    QComboBox* countryBox() const { return country_; }

  private:
    QComboBox* country_ = nullptr;
};

} // namespace korvelo
