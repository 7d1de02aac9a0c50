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
};

// Always the same device through a real CommChannel (korvelo --port DEVICE, pty tests).
class FixedPortProvider : public PortProvider {
  public:
    explicit FixedPortProvider(std::string device) : device_(std::move(device)) {}
    std::optional<std::string> choosePort(Notifier&, bool&) override { return device_; }
    std::unique_ptr<Channel> makeChannel(ReplyObjects& replies) override;
    const std::string& device() const { return device_; }

  private:
    std::string device_;
};

} // namespace korvelo
