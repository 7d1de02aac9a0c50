// Automatic alignment of the ten power rows of simulated radios, against each instrument family
// in turn: the radio on a pseudo-terminal answering at the real line rate, the simulated
// instrument on TCP with its own behaviour, the family's own settle, retune and averaging
// times, the real clock. Prints per family the wall time, the iterations per row (median,
// maximum), and the floor: the pauses of the protocol plus the settle, retune, averaging and
// busy waits, which no implementation can avoid (every sleep the operations ask of the clock).
//
//   align_bench [RADIOS] [FAMILY...]   (each radio another serial number; all families when
//                                       none is named)
#include "link/clock.h"
#include "link/port_provider.h"
#include "link/reply_objects.h"
#include "radio/radio_state.h"
#include "radio/tuning_start.h"
#include "sim/pty_radio.h"
#include "sim/testset_server.h"
#include "testset/align_run.h"
#include "testset/instrument_link.h"
#include "testset/test_set.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace korvelo {
namespace {

// The real clock, adding up what was asked to sleep.
class CountingClock : public RealClock {
  public:
    void sleepMs(int ms) override {
        slept += ms;
        RealClock::sleepMs(ms);
    }
    std::int64_t slept = 0;
};

int run(int radios, const std::string& family) {
    std::vector<double> ratios;
    std::vector<int> allIterations;
    int failures = 0;
    for (int n = 0; n < radios; ++n) {
        sim::RadioModel model;
        model.faults.pace = true;
        model.serialNumber[9] = static_cast<std::uint8_t>('0' + n % 10);
        sim::PtyRadio radio(std::move(model));
        std::string error;
        if (!radio.start(&error)) {
            std::fprintf(stderr, "pty: %s\n", error.c_str());
            return 1;
        }
        sim::SimTestSetOptions options;
        options.family = family;
        sim::TestSetServer server(radio, options);
        if (!server.start(0, &error)) {
            std::fprintf(stderr, "test set: %s\n", error.c_str());
            return 1;
        }
        FixedPortProvider ports(radio.devicePath());
        ReplyObjects replies;
        RecordingNotifier notifier;
        Session session;
        session.guard.backupFolder.clear(); // no backups from a benchmark
        CountingClock clock;
        const AppEnv env{session, replies, clock, notifier, ports};
        TuningInit(env);
        if (!session.flags.imageLoaded) {
            std::fprintf(stderr, "Tuning Init failed\n");
            return 1;
        }
        std::string why;
        auto conn = testset::parseConnection(server.address(), why);
        auto transport = testset::makeTransport(*conn);
        // The instrument's waits (retune, busy) count towards the floor as well.
        testset::InstrumentLink link(*transport, clock, testset::LinkTiming{});
        const testset::Family* f = testset::familyById(family);
        link.useFamily(*f);
        if (!link.open(why)) {
            std::fprintf(stderr, "%s\n", why.c_str());
            return 1;
        }
        testset::InstrumentTestSet testSet(link, f);
        if (!testSet.identify()) {
            std::fprintf(stderr, "%s\n", testSet.lastError().c_str());
            return 1;
        }
        const auto limits = testset::shippedLimits(session.radioType);
        testset::AlignRun alignRun(env, testSet, *limits, testset::LoopSettings{},
                                   {testset::procedureByName("power")});
        clock.slept = 0;
        const auto t0 = std::chrono::steady_clock::now();
        alignRun.run();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count();
        alignRun.discard();
        std::vector<int> its;
        for (const auto& r : alignRun.rows()) {
            its.push_back(r.result.iterations);
            failures += !r.passed();
            if (r.result.iterations > 4 || !r.passed())
                std::printf("  %s\n", testset::formatRow(r).c_str());
        }
        allIterations.insert(allIterations.end(), its.begin(), its.end());
        std::sort(its.begin(), its.end());
        const double floor = static_cast<double>(clock.slept);
        ratios.push_back(ms / floor);
        std::printf("%s radio %d: %zu rows in %.0f ms, floor %.0f ms (x%.2f), iterations median %d "
                    "max %d, %d passed\n",
                    family.c_str(), n + 1, its.size(), ms, floor, ms / floor, its[its.size() / 2],
                    its.back(), alignRun.passedCount());
        server.stop();
        radio.stop();
    }
    std::sort(allIterations.begin(), allIterations.end());
    std::sort(ratios.begin(), ratios.end());
    std::printf("%s: wall/floor median x%.2f max x%.2f; iterations per row median %d max %d; "
                "%d rows failed\n",
                family.c_str(), ratios[ratios.size() / 2], ratios.back(),
                allIterations[allIterations.size() / 2], allIterations.back(), failures);
    return failures == 0 ? 0 : 1;
}

} // namespace
} // namespace korvelo

int main(int argc, char** argv) {
    const int radios = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    std::vector<std::string> families(argv + std::min(argc, 2), argv + argc);
    if (families.empty())
        families = korvelo::sim::simulatedFamilies();
    int status = 0;
    for (const std::string& f : families)
        status |= korvelo::run(radios, f);
    return status;
}
