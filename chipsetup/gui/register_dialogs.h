#pragma once
// The three register dialogs of the Service submenu, each its page's table on the one
// RegisterDialog.
#include "chipsetup/gui/register_dialog.h"

namespace korvelo {

// "TX Mode" (AK2347), command 32772.
class CTxMode : public RegisterDialog {
  public:
    CTxMode(AppEnv& env, QWidget* parent);
};

// "TX CMX148 SetUp", command 32798.
class CTxCMX148_SetDlg : public RegisterDialog {
  public:
    CTxCMX148_SetDlg(AppEnv& env, QWidget* parent);
};

// "RX CMX148 SetUp", command 32797.
class CRxCMX148_SetDlg : public RegisterDialog {
  public:
    CRxCMX148_SetDlg(AppEnv& env, QWidget* parent);
};

} // namespace korvelo
