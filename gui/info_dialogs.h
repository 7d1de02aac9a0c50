#pragma once
// The About box and the bench set-up picture.
#include <QDialog>

namespace korvelo {

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// "Radio Setup": how to connect the radio, the PC, the test box and the RF test set.
class CRadioSetupDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kPictureWidth = 568;
    static constexpr int kPictureHeight = 562;
    explicit CRadioSetupDlg(QWidget* parent = nullptr);
};

} // namespace korvelo
