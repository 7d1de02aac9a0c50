#pragma once
// A TCP server for line-based instruments (the simulated test set): one client at a time, each
// line handed to the handler, the bytes it gives sent back as they are (the handler frames its
// answers), the connection closed when it says so. Runs on a thread of its
// own; stop() returns at once. POSIX only, like the pseudo-terminal radio.
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace korvelo::sim {

class LineServer {
  public:
    struct Reply {
        std::string bytes;
        bool hangUp = false;
    };
    using Handler = std::function<Reply(std::string_view line)>;

    explicit LineServer(Handler handler) : handler_(std::move(handler)) {}
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    // Listens on 127.0.0.1:port (0: a free port); false with the reason in *error.
    bool start(int port, std::string* error = nullptr);
    void stop();
    int port() const { return port_; }

  private:
    void run();
    void serve(int client);

    Handler handler_;
    std::thread thread_;
    int listen_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    int port_ = 0;
};

} // namespace korvelo::sim
