#pragma once
// In-memory transport to the simulated radio for sequence tests on a VirtualClock. A write hands
// the bytes to the model at the clock's time; the answer comes back through the clock's
// schedule, fed into the reply objects as one receive event (two with a split fault), after
// the line time when the model paces. Nothing runs on another thread. A channel opened with
// line settings other than 19,200 bit/s, 8 data bits, no parity, two stop bits reaches the
// radio as noise: it answers nothing.
#include "link/channel.h"
#include "link/clock.h"
#include "link/port_provider.h"
#include "sim/radio_model.h"

#include <memory>
#include <optional>
#include <string>

namespace korvelo::sim {

class SimPortProvider : public PortProvider {
  public:
    SimPortProvider(RadioModel& radio, VirtualClock& clock) : radio_(radio), clock_(clock) {}

    std::optional<std::string> choosePort(Notifier& notifier, bool& portFault) override;
    std::unique_ptr<Channel> makeChannel(ReplyObjects& replies) override;
    std::string howChosen() const override { return "simulated radio"; }

    // open() fails as a port held by another program.
    bool failOpen = false;
    // The device name choosePort gives.
    std::string portName = "SIM";

    // Channels open right now, and successful opens so far: operations must not hold the
    // port between user actions.
    int openChannels() const { return openChannels_; }
    int opens() const { return opens_; }
    // The settings of the last successful open.
    const PortSettings& lastSettings() const { return lastSettings_; }

  private:
    class SimChannel;
    friend class SimChannel;

    RadioModel& radio_;
    VirtualClock& clock_;
    int openChannels_ = 0;
    int opens_ = 0;
    PortSettings lastSettings_;
};

} // namespace korvelo::sim
