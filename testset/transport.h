#pragma once
// How a test set is reached: a byte stream opened from one connection string.
//   tcp://HOST:PORT or tcp:HOST[:PORT]   raw SCPI over TCP (port 5025 when none is given)
//   serial:DEVICE[:BAUD]                 a serial line (9600 bit/s when no rate is given)
//   gpib:DEVICE:ADDRESS[:BAUD]           a GPIB adapter on a serial line, told "++addr N"
// Reading never blocks longer than the time-out it is given.
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
    virtual void close() = 0;
    virtual bool send(std::string_view bytes) = 0;
    // Bytes that arrived, waiting up to timeoutMs for the first; "" on time-out; nothing when
    // the connection is gone.
    virtual std::optional<std::string> receive(int timeoutMs) = 0;
    // What the transport is connected to, for messages ("tcp localhost:5025").
    virtual std::string describe() const = 0;
    // Commands the instrument end needs after opening (a GPIB adapter's set-up), one a line.
    virtual std::string_view openingLines() const { return {}; }
};

struct ConnectionSpec {
    enum class Kind { Tcp, Serial, Gpib } kind = Kind::Tcp;
    std::string host;   // tcp
    int port = 5025;    // tcp
    std::string device; // serial, gpib
    int baud = 9600;
    int gpibAddress = 0;
};
inline constexpr int kDefaultScpiPort = 5025;

// The connection, or nothing with the reason in why.
std::optional<ConnectionSpec> parseConnection(std::string_view text, std::string& why);
std::unique_ptr<Transport> makeTransport(const ConnectionSpec& conn);

} // namespace korvelo::testset
