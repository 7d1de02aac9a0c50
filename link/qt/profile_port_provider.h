#pragma once
// The program's port provider: the port the user chose in System Configuration, or in the
// default automatic mode the first CP210x bridge. The profile is read afresh at every OpenPort,
// so a change in the dialog takes effect at the next radio operation.
#include "link/port_choice.h"
#include "link/port_provider.h"

#include <functional>

namespace korvelo {

class ProfilePortProvider : public PortProvider {
  public:
    // The enumeration defaults to the system's ports; tests give made-up lists.
    explicit ProfilePortProvider(std::function<PortEnumeration()> enumerate = {});

    std::optional<std::string> choosePort(Notifier& notifier, bool& portFault) override;
    std::unique_ptr<Channel> makeChannel(ReplyObjects& replies) override;
    // "automatic search" or "System Configuration", as the profile says now.
    std::string howChosen() const override;

  private:
    std::function<PortEnumeration()> enumerate_;
};

} // namespace korvelo
