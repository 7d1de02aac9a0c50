#pragma once
// The simulated test set on TCP, measuring a radio served on a pseudo-terminal: one of the
// instrument families, an instrument behind a GPIB adapter reached through the adapter's
// network form.
#include "sim/line_server.h"
#include "sim/pty_radio.h"
#include "sim/rf_bench.h"

#include <memory>
#include <string>

namespace korvelo::sim {

class TestSetServer {
  public:
    // The radio must be started and outlive the server.
    explicit TestSetServer(PtyRadio& radio, SimTestSetOptions options = {});
    ~TestSetServer() { stop(); }
    // Port 0: any free port. False with the reason in *error.
    bool start(int port, std::string* error = nullptr);
    void stop();
    int port() const { return server_.port(); }
    // tcp://127.0.0.1:PORT, or gpib://127.0.0.1:PORT/ADDRESS behind the adapter
    std::string address() const;
    const std::string& family() const { return family_; }
    // Per power reading answered so far: taken while its average still held the time before
    // the radio's last change.
    std::vector<bool> powerStale() {
        return radio_.withModel([this](RadioModel&) { return testSet_.powerStale; });
    }

  private:
    PtyRadio& radio_;
    std::unique_ptr<RfRadio> rf_;
    SimTestSet testSet_;
    std::string family_;
    LineServer server_;
};

} // namespace korvelo::sim
