#include "chipsetup/register_pages.h"

#include "chipsetup/cmx148/cmx_rx_setup_page.h"
#include "chipsetup/cmx148/cmx_tx_setup_page.h"
#include "chipsetup/txmode/tx_mode_page.h"

#include <array>

namespace korvelo {

std::span<const RegisterPageSpec* const> registerPages() {
    static const std::array<const RegisterPageSpec*, 3> pages = {&txModePage(), &cmxTxSetupPage(),
                                                                 &cmxRxSetupPage()};
    return pages;
}

} // namespace korvelo
