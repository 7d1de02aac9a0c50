// The bench window's cost: Tuning Init against the paced simulated radio on a pseudo-terminal
// with the traffic dock shown and hidden (the dock must not slow the link), and the resident
// memory after 100,000 frames have gone through the dock (it keeps the latest 20,000 lines).
//
//   bench_window_bench [runs]      runs per dock state, alternating (default 6)
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "gui/command_ids.h"
#include "gui/gui_clock.h"
#include "gui/main_window.h"
#include "gui/traffic_dock.h"
#include "gui/traffic_model.h"
#include "link/command_frame.h"
#include "link/traced_clock.h"
#include "sim/pty_radio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

using namespace korvelo;

namespace {

// "VmRSS" or "VmHWM" of this process in KiB.
long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double mean(const std::vector<double>& v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // the dock's remembered state stays out of the
                                              // user's settings
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 6;

    sim::PtyRadio radio;
    radio.withModel([](sim::RadioModel& m) {
        m.faults.pace = true;
        m.radioType = 5;
    });
    std::string error;
    if (!radio.start(&error)) {
        std::fprintf(stderr, "the simulated radio could not be started: %s\n", error.c_str());
        return 1;
    }
    ReplyObjects& replies = processReplies();
    GuiClock guiClock;
    TracedClock clock(guiClock, replies);
    RecordingNotifier notifier;
    FixedPortProvider ports(radio.devicePath(), "simulated radio");
    Session session;
    AppEnv env{session, replies, clock, notifier, ports};
    MainWindow window(env);
    replies.setTrace(&window.trafficLog());
    window.resize(1280, 800);
    window.startUp();
    window.show();
    QCoreApplication::processEvents();

    // Tuning Init, the dock shown and hidden in turn so that drift hits both alike.
    std::vector<double> shown, hidden;
    for (int i = 0; i < 2 * runs; ++i) {
        const bool dock = i % 2 == 0;
        window.trafficDock().setVisible(dock);
        radio.withModel([](sim::RadioModel& m) { m.tunerMode = false; });
        QCoreApplication::processEvents();
        notifier.notices.clear();
        QElapsedTimer t;
        t.start();
        window.runCommand(cmd::TuningInit);
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        if (notifier.notices.empty() ||
            notifier.notices.back().text != "Radio has been successfully read !!") {
            std::fprintf(stderr, "Tuning Init failed: %s\n",
                         notifier.notices.empty() ? "no message"
                                                  : notifier.notices.back().text.c_str());
            return 1;
        }
        (dock ? shown : hidden).push_back(ms);
        // Let the dock take and show the run's lines before the next run.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    std::printf("Tuning Init against the paced simulated radio, %d runs each:\n", runs);
    std::printf("  dock shown:  median %.1f ms, mean %.1f ms\n", median(shown), mean(shown));
    std::printf("  dock hidden: median %.1f ms, mean %.1f ms\n", median(hidden), mean(hidden));
    std::printf("  difference of the medians: %+.2f %%\n",
                100.0 * (median(shown) - median(hidden)) / median(hidden));
    std::printf("  traffic lines after the runs: %d\n", window.trafficModel().rowCount());

    // 100,000 frames through the shown dock: a block read and its 64-byte answer, in batches
    // between which the window takes and paints them as the program would.
    window.trafficDock().setVisible(true);
    QCoreApplication::processEvents();
    const long before = statusKb("VmRSS");
    TrafficLog& log = window.trafficLog();
    const std::vector<std::uint8_t> request = hexToBytes(CommandFrame::readBlock(0x3F40));
    std::vector<std::uint8_t> answer = {0x02, 0x10, 0x03, 0x3F, 0x40, 0x00, 0x40};
    answer.resize(answer.size() + 64, 0x5A);
    answer.push_back(0x00);
    answer.push_back(0x03);
    constexpr int kFrames = 100000;
    constexpr int kBatch = 500;
    QElapsedTimer feed;
    feed.start();
    for (int n = 0; n < kFrames; n += 2) {
        log.sent(request);
        log.received(answer);
        if (n % kBatch == 0)
            QCoreApplication::processEvents();
    }
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const long after = statusKb("VmRSS");
    std::printf("%d frames through the shown dock in %.0f ms: %d lines kept\n", kFrames,
                static_cast<double>(feed.elapsed()), window.trafficModel().rowCount());
    std::printf("  resident memory: %ld KiB before, %ld KiB after (%+ld KiB); peak %ld KiB\n",
                before, after, after - before, statusKb("VmHWM"));

    replies.setTrace(nullptr);
    radio.stop();
    return 0;
}
