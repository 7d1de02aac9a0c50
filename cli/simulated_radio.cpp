#include "cli/simulated_radio.h"

#ifdef _WIN32
#include "sim/sim_port.h"
#else
#include "sim/pty_radio.h"
#include "sim/testset_server.h"
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
std::optional<std::string> SimulatedRadio::startTestSet(std::string& why, const std::string&, int) {
    why = "there is no simulated test set on Windows";
    return std::nullopt;
}

#else

struct SimulatedRadio::Impl {
    explicit Impl(sim::RadioModel m) : radio(std::move(m)) {}
    sim::PtyRadio radio;
    std::unique_ptr<FixedPortProvider> provider;
    std::unique_ptr<sim::TestSetServer> testSet;
};

bool SimulatedRadio::start(std::string& why) {
    if (!impl_->radio.start(&why))
        return false;
    impl_->provider = std::make_unique<FixedPortProvider>(impl_->radio.devicePath());
    return true;
}
void SimulatedRadio::stop() {
    if (impl_->testSet)
        impl_->testSet->stop();
    impl_->radio.stop();
}
PortProvider& SimulatedRadio::ports() {
    return *impl_->provider;
}
Clock* SimulatedRadio::clock() {
    return nullptr;
}
std::optional<std::string> SimulatedRadio::startTestSet(std::string& why, const std::string& family,
                                                        int averagingMs) {
    if (!sim::isSimulatedFamily(family)) {
        why = "no simulated test set of family " + family;
        return std::nullopt;
    }
    sim::SimTestSetOptions options;
    options.family = family;
    options.averagingMs = averagingMs;
    impl_->testSet = std::make_unique<sim::TestSetServer>(impl_->radio, options);
    if (!impl_->testSet->start(0, &why))
        return std::nullopt;
    return impl_->testSet->address();
}

#endif

SimulatedRadio::SimulatedRadio(sim::RadioModel model)
    : impl_(std::make_unique<Impl>(std::move(model))) {}
SimulatedRadio::~SimulatedRadio() {
    stop();
}

} // namespace korvelo::cli
