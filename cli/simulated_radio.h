#pragma once
// korvelo-cli --simulator: the simulated radio for one run. On Linux and macOS it answers on a
// pseudo-terminal through the real serial channel; on Windows, which has no pseudo-terminal,
// on the in-memory transport, whose answers arrive on a virtual clock.
#include "link/clock.h"
#include "link/port_provider.h"
#include "sim/radio_model.h"

#include <memory>
#include <optional>
#include <string>

namespace korvelo::cli {

class SimulatedRadio {
  public:
    explicit SimulatedRadio(sim::RadioModel model);
    ~SimulatedRadio();
    SimulatedRadio(const SimulatedRadio&) = delete;
    SimulatedRadio& operator=(const SimulatedRadio&) = delete;

    // False, with the reason in why, when the radio cannot be served.
    bool start(std::string& why);
    void stop();
    PortProvider& ports();
    // The clock the radio operations must run on; nullptr for the real one.
    Clock* clock();
    // Serves the simulated test set of a family measuring this radio; its address
    // (tcp://127.0.0.1:PORT, or gpib://... behind the adapter), or nothing with the reason in
    // why (Windows has none).
    std::optional<std::string> startTestSet(std::string& why, const std::string& family = "scpi",
                                            int averagingMs = 0);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace korvelo::cli
