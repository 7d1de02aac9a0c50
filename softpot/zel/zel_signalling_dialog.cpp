#include "softpot/zel/zel_signalling_dialog.h"

#include "softpot/zel/zel_signalling_page.h"

namespace korvelo {

CZELSignalingSys::CZELSignalingSys(AppEnv& env, QWidget* parent)
    : SoftpotPageDialog(env, zelSignallingPage(), parent) {}

} // namespace korvelo
