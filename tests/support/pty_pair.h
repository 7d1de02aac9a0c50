#pragma once
// A pseudo-terminal pair for end-to-end tests: the program opens slavePath() as its serial
// port, the test plays the radio on the master side. Both ends are raw (a cooked pty echoes
// and rewrites bytes), and a spare slave descriptor stays open so the master sees no hang-up
// when the program closes the port between actions.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace korvelo::testing {

// Reads from fd until count bytes have come or timeoutMs has passed; returns what came.
inline std::vector<std::uint8_t> readFor(int fd, std::size_t count, int timeoutMs) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    std::vector<std::uint8_t> out;
    while (out.size() < count) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        std::uint8_t buf[256];
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, count - out.size()));
        if (n > 0)
            out.insert(out.end(), buf, buf + n);
    }
    return out;
}

class PtyPair {
  public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        char name[128];
        if (::ptsname_r(master_, name, sizeof name) != 0)
            throw std::runtime_error("no pseudo-terminal name");
        slavePath_ = name;
        spareSlave_ = ::open(name, O_RDWR | O_NOCTTY);
        if (spareSlave_ < 0)
            throw std::runtime_error("cannot open " + slavePath_);
        makeRaw(master_);
        makeRaw(spareSlave_);
        // Non-blocking, so that a radio side writing into a port nobody reads cannot hang.
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // The radio's side: writes the bytes to the program; returns how many went out before
    // timeoutMs (all of them unless nobody reads the port).
    std::size_t send(const std::vector<std::uint8_t>& bytes, int timeoutMs = 2000) {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                break;
            const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
            if (left <= 0)
                break;
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
        }
        return done;
    }

    // Reads until count bytes have come or timeoutMs has passed; returns what came.
    std::vector<std::uint8_t> receive(std::size_t count, int timeoutMs) {
        return readFor(master_, count, timeoutMs);
    }

    // The radio goes away: both of our ends are closed, the program sees a hang-up.
    void hangUp() {
        if (master_ >= 0)
            ::close(master_);
        if (spareSlave_ >= 0)
            ::close(spareSlave_);
        master_ = spareSlave_ = -1;
    }

  private:
    static void makeRaw(int fd) {
        termios tio{};
        if (::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }

    int master_ = -1;
    int spareSlave_ = -1;
    std::string slavePath_;
};

} // namespace korvelo::testing
