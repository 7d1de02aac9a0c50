#include "sim/line_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvelo::sim {

namespace {
void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
// A line longer than this is no instrument command; it is dropped.
constexpr std::size_t kMaxLine = 4096;
} // namespace

LineServer::~LineServer() {
    stop();
}

bool LineServer::start(int port, std::string* error) {
    auto fail = [&](const char* what) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(errno);
        closeFd(listen_);
        closeFd(wakeRead_);
        closeFd(wakeWrite_);
        return false;
    };
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_ < 0)
        return fail("socket");
    int one = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return fail("bind");
    if (::listen(listen_, 4) != 0)
        return fail("listen");
    socklen_t len = sizeof a;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    int p[2];
    if (::pipe(p) != 0)
        return fail("pipe");
    wakeRead_ = p[0];
    wakeWrite_ = p[1];
    thread_ = std::thread([this] { run(); });
    return true;
}

void LineServer::stop() {
    if (thread_.joinable()) {
        const char c = 'x';
        [[maybe_unused]] const auto n = ::write(wakeWrite_, &c, 1);
        thread_.join();
    }
    closeFd(listen_);
    closeFd(wakeRead_);
    closeFd(wakeWrite_);
}

void LineServer::run() {
    for (;;) {
        pollfd fds[2] = {{listen_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN) {
            int client = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            int one = 1;
            setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            serve(client);
            closeFd(client);
        }
    }
}

void LineServer::serve(int client) {
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{client, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return; // stopping; run() sees the wake byte too
        char buf[512];
        const ssize_t n = ::recv(client, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        pending.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty())
                continue;
            const Reply reply = handler_(line);
            if (!reply.bytes.empty() &&
                ::send(client, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL) < 0)
                return;
            if (reply.hangUp)
                return;
        }
        if (pending.size() > kMaxLine)
            pending.clear();
    }
}

} // namespace korvelo::sim
