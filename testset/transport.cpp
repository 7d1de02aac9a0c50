#include "testset/transport.h"

#include "link/serial_device.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace korvelo::testset {

namespace {

std::optional<int> number(std::string_view s, int lo, int hi) {
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi)
        return std::nullopt;
    return v;
}

#ifdef _WIN32
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
void closeSocket(Socket s) {
    closesocket(s);
}
std::string socketError() {
    return "socket error " + std::to_string(WSAGetLastError());
}
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
void closeSocket(Socket s) {
    ::close(s);
}
std::string socketError() {
    return std::strerror(errno);
}
#endif

class TcpTransport : public Transport {
  public:
    TcpTransport(std::string host, int port) : host_(std::move(host)), port_(port) {}
    ~TcpTransport() override { close(); }

    bool open(std::string& why) override {
        close();
#ifdef _WIN32
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            why = "Winsock did not start";
            return false;
        }
        started_ = true;
#endif
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const std::string service = std::to_string(port_);
        if (const int rc = getaddrinfo(host_.c_str(), service.c_str(), &hints, &found); rc != 0) {
            why = "cannot resolve " + host_ + ": " + gai_strerror(rc);
            return false;
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(connectMs_);
        for (addrinfo* a = found; a && socket_ == kNoSocket; a = a->ai_next) {
            Socket s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
            if (s == kNoSocket)
                continue;
            const std::string result = connectBounded(s, a, until);
            if (result.empty()) {
                socket_ = s;
                break;
            }
            why = "cannot connect to " + describe() + ": " + result;
            closeSocket(s);
            if (result == "stopped" || result.rfind("no answer", 0) == 0)
                break;
        }
        freeaddrinfo(found);
        if (socket_ == kNoSocket)
            return false;
        // Commands are short lines that each wait for an answer.
        int one = 1;
        setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one),
                   sizeof one);
        return true;
    }
    // "" when connected; otherwise why not. Polls in short steps so that a stop request ends
    // the attempt at once.
    std::string connectBounded(Socket s, const addrinfo* a,
                               std::chrono::steady_clock::time_point until) {
#ifdef _WIN32
        u_long nb = 1;
        ioctlsocket(s, FIONBIO, &nb);
        if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0 &&
            WSAGetLastError() != WSAEWOULDBLOCK)
            return socketError();
#else
        const int flags = fcntl(s, F_GETFL, 0);
        fcntl(s, F_SETFL, flags | O_NONBLOCK);
        if (::connect(s, a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS)
            return socketError();
#endif
        for (;;) {
            if (stopConnect_ && stopConnect_())
                return "stopped";
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  until - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                return "no answer within " + std::to_string(connectMs_ / 1000.0).substr(0, 4) +
                       " s";
#ifdef _WIN32
            WSAPOLLFD p{};
            p.fd = s;
            p.events = POLLWRNORM;
            const int ready = WSAPoll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
#else
            pollfd p{s, POLLOUT, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
            if (ready < 0 && errno == EINTR)
                continue;
#endif
            if (ready < 0)
                return socketError();
            if (ready == 0)
                continue;
            int err = 0;
            socklen_t len = sizeof err;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len);
            if (err != 0) {
#ifdef _WIN32
                return "socket error " + std::to_string(err);
#else
                return std::strerror(err);
#endif
            }
#ifdef _WIN32
            nb = 0;
            ioctlsocket(s, FIONBIO, &nb);
#else
            fcntl(s, F_SETFL, flags);
#endif
            return {};
        }
    }
    void close() override {
        if (socket_ != kNoSocket)
            closeSocket(socket_);
        socket_ = kNoSocket;
#ifdef _WIN32
        if (started_)
            WSACleanup();
        started_ = false;
#endif
    }
    bool send(std::string_view bytes) override {
        while (socket_ != kNoSocket && !bytes.empty()) {
#ifdef _WIN32
            const int n = ::send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
#else
            const ssize_t n = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
#endif
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return socket_ != kNoSocket;
    }
    std::optional<std::string> receive(int timeoutMs) override {
        if (socket_ == kNoSocket)
            return std::nullopt;
#ifdef _WIN32
        WSAPOLLFD p{};
        p.fd = socket_;
        p.events = POLLRDNORM;
        const int ready = WSAPoll(&p, 1, timeoutMs);
#else
        pollfd p{socket_, POLLIN, 0};
        int ready = 0;
        do
            ready = ::poll(&p, 1, timeoutMs);
        while (ready < 0 && errno == EINTR);
#endif
        if (ready == 0)
            return std::string();
        if (ready < 0)
            return std::nullopt;
        char buf[512];
        const auto n = ::recv(socket_, buf, sizeof buf, 0);
        if (n <= 0)
            return std::nullopt; // closed by the far end, or failed
        return std::string(buf, static_cast<std::size_t>(n));
    }
    std::string describe() const override {
        return "tcp " + host_ + ":" + std::to_string(port_);
    }

  private:
    std::string host_;
    int port_;
    Socket socket_ = kNoSocket;
#ifdef _WIN32
    bool started_ = false;
#endif
};

// A serial line through the program's own serial layer; the receive side is polled in short
// steps, since a test set's answers are a few dozen bytes at most.
class SerialTransport : public Transport {
  public:
    explicit SerialTransport(const ConnectionSpec& conn) : conn_(conn) {}
    bool open(std::string& why) override {
        PortSettings s;
        s.portName = conn_.device;
        s.baudRate = static_cast<std::uint32_t>(conn_.baud);
        s.stopBits = 0;
        const OpenResult r = device_.open(s);
        if (!r.ok)
            why = "cannot open " + conn_.device + ": " + r.reason;
        open_ = r.ok;
        return r.ok;
    }
    void close() override {
        if (open_)
            device_.close();
        open_ = false;
    }
    bool send(std::string_view bytes) override {
        return open_ && device_.write(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size()) == bytes.size();
    }
    std::optional<std::string> receive(int timeoutMs) override {
        if (!open_)
            return std::nullopt;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            std::uint8_t buf[256];
            const std::size_t n = device_.read(buf, sizeof buf);
            if (n > 0)
                return std::string(reinterpret_cast<const char*>(buf), n);
            if (std::chrono::steady_clock::now() >= end)
                return std::string();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    std::string describe() const override { return "serial " + conn_.device; }

  private:
    ConnectionSpec conn_;
    SerialDevice device_;
    bool open_ = false;
};

// A GPIB adapter (the Prologix form) over a serial or network transport: controller mode, the
// instrument's address, no automatic read-back (so set commands raise no "query unterminated"),
// EOI asserted, the front panel locked while we work and given back at the end. Each query is
// followed by an explicit read until EOI.
class GpibAdapter : public Transport {
  public:
    GpibAdapter(std::unique_ptr<Transport> inner, int address)
        : inner_(std::move(inner)), address_(address),
          opening_("++mode 1\n++addr " + std::to_string(address) + "\n++auto 0\n++eoi 1\n++llo\n") {
    }
    bool open(std::string& why) override {
        inner_->limitConnect(connectMs_, stopConnect_);
        return inner_->open(why);
    }
    void close() override { inner_->close(); }
    bool send(std::string_view bytes) override { return inner_->send(bytes); }
    std::optional<std::string> receive(int timeoutMs) override {
        return inner_->receive(timeoutMs);
    }
    std::string describe() const override {
        return "GPIB address " + std::to_string(address_) + " via " + inner_->describe();
    }
    std::string_view openingLines() const override { return opening_; }
    std::string_view readRequest() const override { return "++read eoi"; }
    std::string_view closingLines() const override { return "++loc\n"; }

  private:
    std::unique_ptr<Transport> inner_;
    int address_;
    std::string opening_;
};

// "name:rest" split at the last colon (device names on Windows have none; hosts may).
std::pair<std::string_view, std::string_view> splitLast(std::string_view s) {
    const auto at = s.rfind(':');
    if (at == std::string_view::npos)
        return {s, {}};
    return {s.substr(0, at), s.substr(at + 1)};
}

// "HOST[:PORT]" into the connection; the port it has already stays when none is given.
bool takeHost(std::string_view text, ConnectionSpec& conn, std::string& why) {
    const bool hasPort = text.find(':') != std::string_view::npos;
    const auto [host, port] = splitLast(text);
    conn.host = std::string(hasPort ? host : text);
    if (hasPort) {
        const auto p = number(port, 1, 65535);
        if (!p) {
            why = std::string("\"").append(port).append("\" is no TCP port (1..65535)");
            return false;
        }
        conn.port = *p;
    }
    if (conn.host.empty()) {
        why = "the connection names no host";
        return false;
    }
    return true;
}

} // namespace

std::optional<ConnectionSpec> parseConnection(std::string_view text, std::string& why) {
    ConnectionSpec conn;
    auto take = [&](std::string_view prefix) {
        if (text.substr(0, prefix.size()) != prefix)
            return false;
        text.remove_prefix(prefix.size());
        return true;
    };
    if (take("gpib://")) {
        // HOST[:PORT]/ADDRESS
        conn.kind = ConnectionSpec::Kind::GpibTcp;
        conn.port = kDefaultGpibAdapterPort;
        const auto slash = text.rfind('/');
        const auto address =
            slash == std::string_view::npos ? std::nullopt : number(text.substr(slash + 1), 0, 30);
        if (!address) {
            why = "a GPIB adapter on the network is given as gpib://HOST[:PORT]/ADDRESS "
                  "(address 0..30)";
            return std::nullopt;
        }
        conn.gpibAddress = *address;
        if (!takeHost(text.substr(0, slash), conn, why))
            return std::nullopt;
        return conn;
    }
    if (take("tcp://") || take("tcp:")) {
        conn.kind = ConnectionSpec::Kind::Tcp;
        if (!takeHost(text, conn, why))
            return std::nullopt;
        return conn;
    }
    const bool gpib = take("gpib:");
    if (!gpib && !take("serial:")) {
        why = "a test set is given as tcp://HOST:PORT, serial:DEVICE[:BAUD], "
              "gpib:DEVICE:ADDRESS[:BAUD] or gpib://HOST[:PORT]/ADDRESS";
        return std::nullopt;
    }
    conn.kind = gpib ? ConnectionSpec::Kind::Gpib : ConnectionSpec::Kind::Serial;
    // Trailing numbers are the rate (and before it, for GPIB, the address); the rest is the
    // device, which may itself hold colons.
    std::vector<int> numbers;
    std::string_view device = text;
    for (int k = 0; k < (gpib ? 2 : 1); ++k) {
        const auto [head, tail] = splitLast(device);
        const auto n = tail.empty() ? std::nullopt : number(tail, 0, 4000000);
        if (!n)
            break;
        numbers.insert(numbers.begin(), *n);
        device = head;
    }
    conn.device = std::string(device);
    if (conn.device.empty()) {
        why = "the connection names no device";
        return std::nullopt;
    }
    if (gpib) {
        if (numbers.empty() || numbers[0] > 30) {
            why = "a GPIB adapter needs the instrument's address (0..30)";
            return std::nullopt;
        }
        conn.gpibAddress = numbers[0];
        if (numbers.size() > 1)
            conn.baud = numbers[1];
    } else if (!numbers.empty()) {
        conn.baud = numbers[0];
    }
    if (conn.baud < 300) {
        why = "the serial rate must be at least 300 bit/s";
        return std::nullopt;
    }
    return conn;
}

std::unique_ptr<Transport> makeTransport(const ConnectionSpec& conn) {
    switch (conn.kind) {
    case ConnectionSpec::Kind::Tcp:
        return std::make_unique<TcpTransport>(conn.host, conn.port);
    case ConnectionSpec::Kind::Serial:
        return std::make_unique<SerialTransport>(conn);
    case ConnectionSpec::Kind::Gpib:
        return std::make_unique<GpibAdapter>(std::make_unique<SerialTransport>(conn),
                                             conn.gpibAddress);
    case ConnectionSpec::Kind::GpibTcp:
        break;
    }
    return std::make_unique<GpibAdapter>(std::make_unique<TcpTransport>(conn.host, conn.port),
                                         conn.gpibAddress);
}

} // namespace korvelo::testset
