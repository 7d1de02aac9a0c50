#include "sim/testset_server.h"

namespace korvelo::sim {

TestSetServer::TestSetServer(PtyRadio& radio)
    : radio_(radio), server_([this](std::string_view line) {
          // The model is read under the radio thread's lock, at the radio's own time.
          return radio_.withModel(
              [&](RadioModel& m) { return testSet_.handle(line, m, *rf_, radio_.nowMs()); });
      }) {}

bool TestSetServer::start(int port, std::string* error) {
    rf_ = radio_.withModel([](RadioModel& m) { return std::make_unique<RfRadio>(m); });
    return server_.start(port, error);
}

void TestSetServer::stop() {
    server_.stop();
}

std::string TestSetServer::address() const {
    return "tcp://127.0.0.1:" + std::to_string(port());
}

} // namespace korvelo::sim
