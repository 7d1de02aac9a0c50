// Measures the serial channel over a pseudo-terminal:
//  (a) CPU used by an open, idle channel (whole process, getrusage);
//  (b) latency from the radio side writing the last byte of a reply to the waiting caller
//      waking up.
// Usage: korvelo_link_bench [--idle-seconds N] [--replies N]
#include "link/comm_channel.h"
#include "link/command_frame.h"
#include "link/radio_link.h"
#include "support/pty_pair.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

using namespace korvelo;
using Steady = std::chrono::steady_clock;

namespace {

double cpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(ru.ru_utime) + s(ru.ru_stime);
}

int idleCpu(double seconds) {
    testing::PtyPair pty;
    ReplyObjects replies;
    CommChannel channel(replies);
    PortSettings settings;
    settings.portName = pty.slavePath();
    const OpenResult r = channel.open(settings);
    if (!r.ok) {
        std::fprintf(stderr, "cannot open %s: %s\n", settings.portName.c_str(), r.reason.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double cpu0 = cpuSeconds();
    const auto t0 = Steady::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(Steady::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    channel.close();
    std::printf("idle open channel: %.3f ms CPU in %.2f s = %.4f %% of one core (aim < 0.5 %%)\n",
                cpu * 1e3, wall, 100.0 * cpu / wall);
    return 0;
}

int replyLatency(int count) {
    testing::PtyPair pty;
    ReplyObjects replies;
    RealClock clock;
    RecordingNotifier notifier;
    FixedPortProvider ports(pty.slavePath());
    bool portFault = false;
    RadioLink link(LinkEnv{replies, clock, notifier, ports, portFault});
    link.OpenPort();
    if (!link.isOpen()) {
        std::fprintf(stderr, "cannot open %s\n", pty.slavePath().c_str());
        return 1;
    }
    const std::vector<std::uint8_t> ack{0x02, 0x10, 0x06, 0x16, 0x03};
    std::atomic<std::int64_t> lastByteAt{0};
    std::atomic<bool> stop{false};
    // The radio: answers every command frame (5 bytes) with an ACK.
    std::thread radio([&] {
        while (!stop) {
            if (pty.receive(5, 100).size() < 5)
                continue;
            lastByteAt = Steady::now().time_since_epoch().count();
            pty.send(ack);
        }
    });
    std::vector<double> ms;
    int lost = 0;
    for (int i = 0; i < count; ++i) {
        link.resetReply();
        link.SendHex(CommandFrame::enterTunerMode());
        const bool woke = link.waitReply(2000);
        const auto wokeAt = Steady::now().time_since_epoch().count();
        if (!woke || link.replyStatus() != kStatusAck) {
            ++lost;
            continue;
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(Steady::duration(wokeAt - lastByteAt.load()))
                .count());
    }
    stop = true;
    radio.join();
    link.close();
    if (ms.empty()) {
        std::printf("reply latency: no replies\n");
        return 1;
    }
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
    std::printf("reply latency over %zu replies: median %.3f ms, p95 %.3f ms, max %.3f ms "
                "(aim: median < 2 ms); %d lost\n",
                ms.size(), at(0.5), at(0.95), ms.back(), lost);
    return lost == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    double idleSeconds = 10;
    int replies = 300;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--idle-seconds") == 0)
            idleSeconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--replies") == 0)
            replies = std::atoi(argv[i + 1]);
    }
    int rc = idleCpu(idleSeconds);
    rc |= replyLatency(replies);
    return rc;
}
