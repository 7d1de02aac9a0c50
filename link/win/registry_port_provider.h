#pragma once
// The program's port choice on Windows without Qt: the profile's "AUTO" and "COM" from the
// per-user registry key the GUI's settings use, and the ports from SetupAPI.
#include "link/port_choice.h"
#include "link/port_provider.h"

namespace korvelo {

// Software\Local AppWizard-Generated Applications\Tuner Tool\Settings under HKEY_CURRENT_USER.
ProfilePortValues registryProfileValues();

class RegistryPortProvider : public PortProvider {
  public:
    std::optional<std::string> choosePort(Notifier& notifier, bool& portFault) override;
    std::unique_ptr<Channel> makeChannel(ReplyObjects& replies) override;
};

} // namespace korvelo
