#pragma once
// The radio's information dialogs. Each reads the radio while it initialises, before it is
// shown, and opens in every case; "OK" closes it and sends nothing.
#include "radio/radio_state.h"

#include <QDialog>

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
    CFWVersionDlg(AppEnv& env, QWidget* parent);
};

class CSerialnumDlg : public ReadingDialog {
    Q_OBJECT
  public:
    CSerialnumDlg(AppEnv& env, QWidget* parent);
};

class CCountryCode : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kCountryId = 1002;
    CCountryCode(AppEnv& env, QWidget* parent);
    QComboBox* countryBox() const { return country_; }

  private:
    QComboBox* country_ = nullptr;
};

} // namespace korvelo
