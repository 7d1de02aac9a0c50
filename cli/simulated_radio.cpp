#include "cli/simulated_radio.h"

#ifdef _WIN32
#include "sim/sim_port.h"
#else
#include "sim/pty_radio.h"
#endif

namespace korvelo::cli {

#ifdef _WIN32

struct SimulatedRadio::Impl {
    explicit Impl(sim::RadioModel m) : model(std::move(m)), provider(model, clock) {}
    sim::RadioModel model;
    VirtualClock clock;
    sim::SimPortProvider provider;
};

bool SimulatedRadio::start(std::string&) {
    return true;
}
void SimulatedRadio::stop() {}
PortProvider& SimulatedRadio::ports() {
    return impl_->provider;
}
Clock* SimulatedRadio::clock() {
    return &impl_->clock;
}

#else

struct SimulatedRadio::Impl {
    explicit Impl(sim::RadioModel m) : radio(std::move(m)) {}
    sim::PtyRadio radio;
    std::unique_ptr<FixedPortProvider> provider;
};

bool SimulatedRadio::start(std::string& why) {
    if (!impl_->radio.start(&why))
        return false;
    impl_->provider = std::make_unique<FixedPortProvider>(impl_->radio.devicePath());
    return true;
}
void SimulatedRadio::stop() {
    impl_->radio.stop();
}
PortProvider& SimulatedRadio::ports() {
    return *impl_->provider;
}
Clock* SimulatedRadio::clock() {
    return nullptr;
}

#endif

SimulatedRadio::SimulatedRadio(sim::RadioModel model)
    : impl_(std::make_unique<Impl>(std::move(model))) {}
SimulatedRadio::~SimulatedRadio() {
    stop();
}

} // namespace korvelo::cli
