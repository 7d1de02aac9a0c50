#pragma once
// How a test set is reached: a byte stream opened from one connection string.
//   tcp://HOST:PORT or tcp:HOST[:PORT]   raw SCPI over TCP (port 5025 when none is given)
//   serial:DEVICE[:BAUD]                 a serial line (9600 bit/s when no rate is given)
//   gpib:DEVICE:ADDRESS[:BAUD]           a GPIB adapter on a serial line (its USB form)
//   gpib://HOST[:PORT]/ADDRESS           a GPIB adapter on the network (port 1234 when none)
// Reading never blocks longer than the time-out it is given; connecting never longer than the
// connect time-out, and a stop request ends it at once.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace korvelo::testset {

class Transport {
  public:
    virtual ~Transport() = default;
    // False with the system's reason in why.
    virtual bool open(std::string& why) = 0;
    // Bounds the next open(): at most ms, and stop() (polled) ends it at once.
    void limitConnect(int ms, std::function<bool()> stop) {
        connectMs_ = ms;
        stopConnect_ = std::move(stop);
    }
    virtual void close() = 0;
    virtual bool send(std::string_view bytes) = 0;
    // Bytes that arrived, waiting up to timeoutMs for the first; "" on time-out; nothing when
    // the connection is gone.
    virtual std::optional<std::string> receive(int timeoutMs) = 0;
    // What the transport is connected to, for messages ("tcp localhost:5025").
    virtual std::string describe() const = 0;
    // A GPIB adapter's own lines: after opening, after each query (to fetch the answer), and
    // before closing; one a line. None for a direct connection.
    virtual std::string_view openingLines() const { return {}; }
    virtual std::string_view readRequest() const { return {}; }
    virtual std::string_view closingLines() const { return {}; }

  protected:
    int connectMs_ = 5000;
    std::function<bool()> stopConnect_;
};

struct ConnectionSpec {
    enum class Kind { Tcp, Serial, Gpib, GpibTcp } kind = Kind::Tcp;
    std::string host;   // tcp
    int port = 5025;    // tcp
    std::string device; // serial, gpib
    int baud = 9600;
    int gpibAddress = 0;
};
inline constexpr int kDefaultScpiPort = 5025;
inline constexpr int kDefaultGpibAdapterPort = 1234;

// The connection, or nothing with the reason in why.
std::optional<ConnectionSpec> parseConnection(std::string_view text, std::string& why);
std::unique_ptr<Transport> makeTransport(const ConnectionSpec& conn);

} // namespace korvelo::testset
