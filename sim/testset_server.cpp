#include "sim/testset_server.h"

namespace korvelo::sim {

TestSetServer::TestSetServer(PtyRadio& radio, SimTestSetOptions options)
    : radio_(radio), testSet_(options), family_(options.family),
      server_([this](std::string_view line) {
          // The model is read under the radio thread's lock, at the radio's own time.
          return radio_.withModel([&](RadioModel& m) {
              const SimTestSet::Output out = testSet_.receive(line, m, *rf_, radio_.nowMs());
              return LineServer::Reply{out.bytes, out.hangUp};
          });
      }) {}

bool TestSetServer::start(int port, std::string* error) {
    rf_ = radio_.withModel([](RadioModel& m) { return std::make_unique<RfRadio>(m); });
    return server_.start(port, error);
}

void TestSetServer::stop() {
    server_.stop();
}

std::string TestSetServer::address() const {
    if (testSet_.behindAdapter())
        return "gpib://127.0.0.1:" + std::to_string(port()) + "/" + std::to_string(kSimGpibAddress);
    return "tcp://127.0.0.1:" + std::to_string(port());
}

} // namespace korvelo::sim
