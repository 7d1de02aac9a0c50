#pragma once
// The simulated test set on TCP, measuring a radio served on a pseudo-terminal (generic SCPI).
#include "sim/line_server.h"
#include "sim/pty_radio.h"
#include "sim/rf_bench.h"

#include <memory>
#include <string>

namespace korvelo::sim {

class TestSetServer {
  public:
    // The radio must be started and outlive the server.
    explicit TestSetServer(PtyRadio& radio);
    ~TestSetServer() { stop(); }
    // Port 0: any free port. False with the reason in *error.
    bool start(int port, std::string* error = nullptr);
    void stop();
    int port() const { return server_.port(); }
    // tcp://127.0.0.1:PORT
    std::string address() const;

  private:
    PtyRadio& radio_;
    std::unique_ptr<RfRadio> rf_;
    SimTestSet testSet_;
    LineServer server_;
};

} // namespace korvelo::sim
