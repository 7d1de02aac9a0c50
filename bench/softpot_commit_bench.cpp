// How long the page takes from the user letting go of a scroll bar to the frame leaving the
// port, on the real clock. Two figures per transport: a row setup (first frame 0x42) and a live
// value while keyed (0x44); and the whole row setup minus its own pauses (130 + 100 + 100 ms).
//
//   softpot_commit_bench            in-process radio model (the engine and link alone)
//   softpot_commit_bench --pty      the simulated radio on a pseudo-terminal, real channel
#include "link/clock.h"
#include "link/port_provider.h"
#include "link/reply_objects.h"
#include "radio/radio_state.h"
#include "sim/pty_radio.h"
#include "sim/radio_model.h"
#include "softpot/engine/softpot_group.h"
#include "softpot/txpower/tx_power_page.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace korvelo {
namespace {

using Steady = std::chrono::steady_clock;
double msSince(Steady::time_point from, Steady::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// When each write left for the port (after the call returned).
struct WriteLog {
    std::mutex mutex;
    std::vector<Steady::time_point> times;
    void add() {
        std::lock_guard lock(mutex);
        times.push_back(Steady::now());
    }
    Steady::time_point first() {
        std::lock_guard lock(mutex);
        return times.empty() ? Steady::time_point{} : times.front();
    }
    void clear() {
        std::lock_guard lock(mutex);
        times.clear();
    }
};

class TimedChannel : public Channel {
  public:
    TimedChannel(std::unique_ptr<Channel> inner, WriteLog& log)
        : inner_(std::move(inner)), log_(log) {}
    OpenResult open(const PortSettings& s) override { return inner_->open(s); }
    void close() override { inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }
    std::size_t write(const std::uint8_t* b, std::size_t n) override {
        const std::size_t w = inner_->write(b, n);
        log_.add();
        return w;
    }

  private:
    std::unique_ptr<Channel> inner_;
    WriteLog& log_;
};

// The radio model answering at once on the caller's thread: no transport at all.
class ModelChannel : public Channel {
  public:
    ModelChannel(sim::RadioModel& radio, ReplyObjects& replies)
        : radio_(radio), replies_(replies) {}
    OpenResult open(const PortSettings&) override {
        open_ = true;
        return {true, false, {}};
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    std::size_t write(const std::uint8_t* b, std::size_t n) override {
        for (const sim::Reply& r : radio_.receive({b, n}, 0)) {
            replies_.feed(r.bytes.data(), r.bytes.size());
            replies_.endOfReceiveEvent();
        }
        return n;
    }

  private:
    sim::RadioModel& radio_;
    ReplyObjects& replies_;
    bool open_ = false;
};

class BenchPorts : public PortProvider {
  public:
    std::function<std::unique_ptr<Channel>(ReplyObjects&)> make;
    std::string device = "BENCH";
    WriteLog log;
    std::optional<std::string> choosePort(Notifier&, bool&) override { return device; }
    std::unique_ptr<Channel> makeChannel(ReplyObjects& r) override {
        return std::make_unique<TimedChannel>(make(r), log);
    }
};

struct Figures {
    std::vector<double> v;
    void print(const char* what) {
        std::sort(v.begin(), v.end());
        std::printf("  %-44s n=%3zu  median %.3f ms  p90 %.3f ms  max %.3f ms\n", what, v.size(),
                    v[v.size() / 2], v[v.size() * 9 / 10], v.back());
    }
};

int run(bool pty) {
    sim::RadioModel model;
    sim::PtyRadio ptyRadio;
    BenchPorts ports;
    ReplyObjects replies;
    if (pty) {
        std::string error;
        if (!ptyRadio.start(&error)) {
            std::fprintf(stderr, "pty: %s\n", error.c_str());
            return 1;
        }
        ports.device = ptyRadio.devicePath();
        ports.make = [&](ReplyObjects& r) {
            return FixedPortProvider(ports.device).makeChannel(r);
        };
    } else {
        ports.make = [&](ReplyObjects& r) { return std::make_unique<ModelChannel>(model, r); };
    }
    Session session;
    for (std::size_t i = 0; i < TuningImage::kSize; ++i)
        session.image[i] = static_cast<std::uint8_t>(i % 64);
    session.flags.imageLoaded = true;
    session.flags.inTunerMode = true;
    session.flags.isAk2347Radio = true;
    RealClock clock;
    RecordingNotifier notifier;
    AppEnv env{session, replies, clock, notifier, ports};
    SoftpotGroup page(env, txPowerPage());
    page.open();

    constexpr int kRounds = 15;
    Figures setupFirst, setupRest, live;
    for (int i = 0; i < kRounds; ++i) {
        const int row = i % 2; // alternate rows: every commit is a row setup
        page.scroll(row, ScrollCode::ThumbTrack, 10 + i);
        ports.log.clear();
        const auto t0 = Steady::now();
        page.endScroll(row);
        const auto t1 = Steady::now();
        setupFirst.v.push_back(msSince(t0, ports.log.first()));
        setupRest.v.push_back(msSince(t0, t1) - (130 + 100 + 100));
    }
    page.pttToggle();
    for (int i = 0; i < kRounds; ++i) {
        page.scroll(1, ScrollCode::ThumbTrack, 20 + i);
        ports.log.clear();
        const auto t0 = Steady::now();
        page.endScroll(1);
        live.v.push_back(msSince(t0, ports.log.first()));
    }
    page.close();
    std::printf("%s transport, real clock:\n", pty ? "pseudo-terminal" : "in-process");
    setupFirst.print("let go -> set-up block written");
    live.print("let go -> live value written (keyed)");
    setupRest.print("row setup beyond its 330 ms of pauses");
    if (!notifier.notices.empty())
        std::printf("  messages: %zu (first: %s)\n", notifier.notices.size(),
                    notifier.notices[0].text.c_str());
    if (pty)
        ptyRadio.stop();
    return 0;
}

} // namespace
} // namespace korvelo

int main(int argc, char** argv) {
    const bool pty = argc > 1 && std::strcmp(argv[1], "--pty") == 0;
    return korvelo::run(pty);
}
