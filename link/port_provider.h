#pragma once
// Where OpenPort gets its port: which device to open, and the channel to open it with.
#include "channel.h"
#include "notifier.h"

#include <memory>
#include <optional>
#include <string>

namespace korvelo {

class ReplyObjects;

class PortProvider {
  public:
    virtual ~PortProvider() = default;
    // The device name to open, or nothing after the provider has told the user why (and set
    // portFault where the port choice says so).
    virtual std::optional<std::string> choosePort(Notifier& notifier, bool& portFault) = 0;
    // A new, closed channel that delivers into the given reply objects.
    virtual std::unique_ptr<Channel> makeChannel(ReplyObjects& replies) = 0;
    // How the port is chosen, in the technician's words ("automatic search", "System
    // Configuration", "--port", "simulated radio"); empty when there is nothing to say.
    virtual std::string howChosen() const { return {}; }

    // The device that last opened (OpenPort tells it); empty before the first.
    const std::string& portInUse() const { return portInUse_; }
    void opened(std::string device) { portInUse_ = std::move(device); }

  private:
    std::string portInUse_;
};

// Always the same device through a real CommChannel (korvelo --port DEVICE, pty tests).
class FixedPortProvider : public PortProvider {
  public:
    // how: why this device ("--port", "simulated radio").
    explicit FixedPortProvider(std::string device, std::string how = "--port")
        : device_(std::move(device)), how_(std::move(how)) {}
    std::optional<std::string> choosePort(Notifier&, bool&) override { return device_; }
    std::unique_ptr<Channel> makeChannel(ReplyObjects& replies) override;
    std::string howChosen() const override { return how_; }
    const std::string& device() const { return device_; }

  private:
    std::string device_;
    std::string how_;
};

} // namespace korvelo
