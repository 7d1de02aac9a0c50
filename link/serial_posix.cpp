// Serial devices on Linux and macOS through termios. The receive thread blocks in poll() on
// the device and on the read end of a wake-up pipe, so an idle port costs no CPU and close()
// ends the wait at once.
#include "link/serial_device.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace korvelo {

namespace {

bool speedFor(std::uint32_t baud, speed_t& out) {
    static constexpr struct {
        std::uint32_t baud;
        speed_t code;
    } kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                   {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    for (const auto& s : kSpeeds)
        if (s.baud == baud) {
            out = s.code;
            return true;
        }
    return false;
}

// The terminal settings for the port, or false when the settings ask for something this
// layer cannot do (one and a half stop bits, mark or space parity, an odd rate).
bool applySettings(termios& tio, const PortSettings& ps) {
    speed_t speed;
    if (!speedFor(ps.baudRate, speed))
        return false;
    cfmakeraw(&tio);
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
        return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD);
    switch (ps.dataBits) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    case 8:
        tio.c_cflag |= CS8;
        break;
    default:
        return false;
    }
    if (ps.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    else if (ps.stopBits != 0)
        return false;
    if (ps.parity == 1)
        tio.c_cflag |= PARENB | PARODD;
    else if (ps.parity == 2)
        tio.c_cflag |= PARENB;
    else if (ps.parity != 0)
        return false;
    // The programming cable has three wires: no hardware handshake, no modem lines.
    tio.c_cflag |= CLOCAL | CREAD;
#ifdef CRTSCTS
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return true;
}

std::string groupOf(const std::string& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) == 0)
        if (const group* g = ::getgrgid(st.st_gid))
            return g->gr_name;
    return "dialout";
}

std::string busyReason(const std::string& device) {
    return device + " is in use by another program (a terminal program, ModemManager or "
                    "another Korvelo). Close that program and try again.";
}

std::string openFailureReason(const std::string& device, int err) {
    switch (err) {
    case EACCES:
    case EPERM: {
        const std::string g = groupOf(device);
        return "No permission to use " + device + ". Add your user to the group \"" + g +
               "\" (sudo usermod -aG " + g + " $USER), then log out and log in again.";
    }
    case EBUSY:
    case EWOULDBLOCK:
        return busyReason(device);
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return device + " is not there: is the cable plugged in? (On Ubuntu the brltty "
                        "service is known to take CP210x cables; sudo apt remove brltty "
                        "frees them.)";
    default:
        return "Cannot open " + device + ": " + std::strerror(err) + ".";
    }
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

struct SerialDevice::Impl {
    int fd = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::uint32_t baudRate = 19200;
    // Set by the receive thread when the device reports an error or hang-up; from then on
    // only the wake-up pipe is watched, so a vanished device cannot make the thread spin.
    std::atomic<bool> lost{false};
};

SerialDevice::SerialDevice() : impl_(std::make_unique<Impl>()) {}
SerialDevice::~SerialDevice() {
    close();
}

OpenResult SerialDevice::open(const PortSettings& settings) {
    close();
    OpenResult result;
    Impl& d = *impl_;
    d.lost = false;
    d.baudRate = settings.baudRate == 0 ? 19200 : settings.baudRate;

    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        result.reason = std::string("Cannot create the wake-up pipe: ") + std::strerror(errno);
        return result;
    }
    d.wakeRead = pipeFds[0];
    d.wakeWrite = pipeFds[1];
    for (int fd : pipeFds) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }

    const std::string& name = settings.portName;
    d.fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (d.fd < 0) {
        result.portOpenFailed = true;
        result.reason = openFailureReason(name, errno);
        close();
        return result;
    }
    // TIOCEXCL keeps other users out but not root; the advisory lock keeps out every program
    // that asks for it, another Korvelo included.
    if (::flock(d.fd, LOCK_EX | LOCK_NB) != 0) {
        result.portOpenFailed = true;
        result.reason = errno == EWOULDBLOCK ? busyReason(name) : openFailureReason(name, errno);
        close();
        return result;
    }
    ::ioctl(d.fd, TIOCEXCL);

    // A device that is not a terminal (/dev/null, a plain file) can never carry the radio's
    // line: it fails as an open does, at once and with the reason, not five seconds later as
    // a radio that does not answer.
    termios tio{};
    termios wanted{};
    if (::tcgetattr(d.fd, &tio) != 0) {
        result.portOpenFailed = true;
        result.reason = errno == ENOTTY ? name + " is not a serial device; its line settings "
                                                 "cannot be applied."
                                        : "The line settings of " + name +
                                              " cannot be applied: " + std::strerror(errno) + ".";
        close();
        return result;
    }
    if (!applySettings(wanted = tio, settings) || ::tcsetattr(d.fd, TCSANOW, &wanted) != 0 ||
        ::tcgetattr(d.fd, &tio) != 0 || cfgetospeed(&tio) != cfgetospeed(&wanted) ||
        (tio.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD)) !=
            (wanted.c_cflag & (CSIZE | CSTOPB | PARENB | PARODD))) {
        result.reason = "The line settings of " + name + " cannot be applied.";
        close();
        return result;
    }
    ::tcflush(d.fd, TCIOFLUSH);
    result.ok = true;
    return result;
}

void SerialDevice::close() {
    Impl& d = *impl_;
    if (d.fd >= 0) {
        // A pseudo-terminal whose other side stays open keeps the exclusive flag past our
        // close; clear it so the next open by an ordinary user is not refused.
        ::ioctl(d.fd, TIOCNXCL);
        ::flock(d.fd, LOCK_UN);
    }
    closeFd(d.fd);
    closeFd(d.wakeRead);
    closeFd(d.wakeWrite);
}

std::size_t SerialDevice::write(const std::uint8_t* bytes, std::size_t count) {
    Impl& d = *impl_;
    if (d.fd < 0)
        return 0;
    // Bounded like the line itself: about 1 ms a byte at 19,200 bit/s, plus slack for the
    // driver.
    using namespace std::chrono;
    const auto perByte = microseconds(19200000 / d.baudRate);
    const auto deadline = steady_clock::now() + milliseconds(500) + perByte * count;
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(d.fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            break;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{d.fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR)
            break;
    }
    return done;
}

std::size_t SerialDevice::read(std::uint8_t* buffer, std::size_t max) {
    Impl& d = *impl_;
    if (d.fd < 0)
        return 0;
    for (;;) {
        // With VMIN and VTIME 0 a terminal returns 0, not EAGAIN, when nothing is waiting.
        const ssize_t n = ::read(d.fd, buffer, max);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            d.lost = true; // EIO: the device went away
        return 0;
    }
}

bool SerialDevice::prepareWatch() {
    return impl_->fd >= 0 && impl_->wakeRead >= 0;
}

SerialDevice::Wake SerialDevice::waitForData() {
    Impl& d = *impl_;
    for (;;) {
        pollfd p[2] = {{d.wakeRead, POLLIN, 0}, {d.fd, POLLIN, 0}};
        const bool watchPort = !d.lost;
        if (::poll(p, watchPort ? 2 : 1, -1) < 0) {
            if (errno != EINTR) {
                // Out of resources: give the system a moment rather than spin.
                ::usleep(10000);
            }
            continue;
        }
        if (p[0].revents != 0)
            return Wake::Woken;
        if (!watchPort)
            continue;
        // After a hang-up only the bytes still buffered are taken; then the port is no longer
        // watched.
        if (p[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            d.lost = true;
        if (p[1].revents & POLLIN)
            return Wake::Data;
        if (d.lost)
            return Wake::Lost;
    }
}

void SerialDevice::finishWatch() {}

void SerialDevice::wake() {
    const std::uint8_t b = 1;
    if (impl_->wakeWrite < 0)
        return;
    // A full pipe already holds a wake-up; nothing more to do then.
    [[maybe_unused]] const ssize_t n = ::write(impl_->wakeWrite, &b, 1);
}

} // namespace korvelo
