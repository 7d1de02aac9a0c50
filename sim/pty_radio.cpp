#include "sim/pty_radio.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace korvelo::sim {

namespace {
std::int64_t steadyNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool makeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    tio.c_cflag |= CLOCAL | CREAD;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool fail(std::string* error, const std::string& what) {
    if (error)
        *error = what + ": " + std::strerror(errno);
    return false;
}
} // namespace

PtyRadio::~PtyRadio() {
    stop();
}

bool PtyRadio::start(std::string* error) {
    if (running())
        return true;
    stopping_ = false;
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail(error, "posix_openpt");
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        const bool r = fail(error, "pseudo-terminal set-up");
        closeAll();
        return r;
    }
    devicePath_ = name;
    // Opened before the master is made raw, so the slave's settings are ours from the start.
    spareSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (spareSlave_ < 0 || !makeRaw(spareSlave_) || !makeRaw(master_)) {
        const bool r = fail(error, "raw mode on " + devicePath_);
        closeAll();
        return r;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        const bool r = fail(error, "wake-up pipe");
        closeAll();
        return r;
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    for (int fd : pipeFds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    startNs_ = steadyNs();
    thread_ = std::thread([this] { run(); });
    return true;
}

void PtyRadio::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        const char b = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &b, 1);
        thread_.join();
    }
    closeAll();
}

void PtyRadio::closeAll() {
    closeFd(master_);
    closeFd(spareSlave_);
    closeFd(wakeRead_);
    closeFd(wakeWrite_);
}

void PtyRadio::run() {
    std::uint8_t buffer[256];
    while (!stopping_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                handle(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
                continue;
            }
        }
        // With the spare slave open there should be no hang-up; if the system reports one
        // anyway, do not spin on it.
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            sleepUntil(steadyNs() + 10'000'000);
    }
}

void PtyRadio::handle(std::span<const std::uint8_t> bytes) {
    std::vector<Reply> replies;
    std::vector<ReceivedFrame> frames;
    bool pace = false;
    {
        std::lock_guard lock(mutex_);
        const std::uint64_t before = model_.receivedCount();
        replies = model_.receive(bytes, (steadyNs() - startNs_) / 1'000'000);
        pace = model_.faults.pace;
        // Only the frames of this read; the model keeps no more than its last few thousand.
        const auto added =
            std::min<std::uint64_t>(model_.receivedCount() - before, model_.received().size());
        if (monitor_)
            frames.assign(model_.received().end() - static_cast<std::ptrdiff_t>(added),
                          model_.received().end());
    }
    for (const ReceivedFrame& f : frames)
        monitor_("PC", f.bytes);
    for (const Reply& r : replies) {
        if (stopping_)
            return;
        transmit(r, pace);
    }
}

// One answer, in one or two pieces; paced, each byte leaves when its line time has passed.
void PtyRadio::transmit(const Reply& reply, bool pace) {
    if (monitor_)
        monitor_("RADIO", reply.bytes);
    if (reply.delayMs > 0 && !sleepUntil(steadyNs() + std::int64_t{reply.delayMs} * 1'000'000))
        return;
    const std::span<const std::uint8_t> all(reply.bytes);
    const std::size_t split =
        reply.splitAt > 0 && reply.splitAt < all.size() ? reply.splitAt : all.size();
    const std::span<const std::uint8_t> pieces[2] = {all.first(split), all.subspan(split)};
    for (std::size_t p = 0; p < 2; ++p) {
        const auto piece = pieces[p];
        if (piece.empty())
            continue;
        if (p == 1 && !sleepUntil(steadyNs() + std::int64_t{reply.gapMs} * 1'000'000))
            return;
        if (!pace) {
            if (!writeAll(piece))
                return;
            continue;
        }
        const std::int64_t t0 = steadyNs();
        for (std::size_t i = 0; i < piece.size(); ++i) {
            if (!sleepUntil(t0 + lineTimeUs(i + 1) * 1000) || !writeAll(piece.subspan(i, 1)))
                return;
        }
    }
}

bool PtyRadio::writeAll(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // Nobody reads the other side and its buffer is full: wait for room or for stop().
        pollfd fds[2] = {{master_, POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents != 0)
            return false;
    }
    return true;
}

bool PtyRadio::sleepUntil(std::int64_t deadlineNs) {
    for (;;) {
        if (stopping_)
            return false;
        const std::int64_t left = deadlineNs - steadyNs();
        if (left <= 0)
            return true;
        pollfd wake{wakeRead_, POLLIN, 0};
        const timespec ts{static_cast<time_t>(left / 1'000'000'000),
                          static_cast<long>(left % 1'000'000'000)};
        if (::ppoll(&wake, 1, &ts, nullptr) > 0)
            return false;
    }
}

} // namespace korvelo::sim

namespace korvelo::sim {

std::int64_t PtyRadio::nowMs() const {
    return (steadyNs() - startNs_) / 1'000'000;
}

} // namespace korvelo::sim
