// What the read-back after a write adds to a page's Program: the Transmit Power page programs
// its ten bytes into the simulated radio on a pseudo-terminal, answering at the real line rate
// (11 bits a byte at 19,200 bit/s), on the real clock, with the check after the write on and
// off. Also a register page's DATA SEND (CMX148 TX setup: a write of 61 bytes over two blocks).
//
//   program_verify_bench [ROUNDS]
#include "chipsetup/cmx148/cmx_tx_setup_page.h"
#include "chipsetup/core/register_page.h"
#include "link/clock.h"
#include "link/port_provider.h"
#include "link/reply_objects.h"
#include "radio/radio_state.h"
#include "sim/pty_radio.h"
#include "softpot/engine/softpot_group.h"
#include "softpot/txpower/tx_power_page.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace korvelo {
namespace {

using Steady = std::chrono::steady_clock;

struct Figures {
    std::vector<double> v;
    double median() {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    void print(const char* what) {
        std::sort(v.begin(), v.end());
        std::printf("  %-40s n=%3zu  median %7.1f ms  min %7.1f ms  max %7.1f ms\n", what, v.size(),
                    v[v.size() / 2], v.front(), v.back());
    }
};

double timeMs(const std::function<void()>& fn) {
    const auto t0 = Steady::now();
    fn();
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

int run(int rounds) {
    sim::RadioModel model;
    model.faults.pace = true;
    model.radioFlags = 0x30; // 256-block CMX148 radio: the transmit setup page applies
    model.tunerMode = true;
    sim::PtyRadio radio(std::move(model));
    std::string error;
    if (!radio.start(&error)) {
        std::fprintf(stderr, "pty: %s\n", error.c_str());
        return 1;
    }
    FixedPortProvider ports(radio.devicePath());
    ReplyObjects replies;
    RealClock clock;
    RecordingNotifier notifier;
    Session session;
    radio.withModel([&](sim::RadioModel& m) {
        std::copy_n(m.tuningArea().begin(), TuningImage::kSize, session.image.bytes().begin());
    });
    session.flags.imageLoaded = true;
    session.flags.inTunerMode = true;
    session.flags.isAk2347Radio = false;
    session.flags.is256BlockMemory = true;
    AppEnv env{session, replies, clock, notifier, ports};
    SoftpotGroup page(env, txPowerPage());
    page.open();
    RegisterPage registers(env, cmxTxSetupPage());

    std::printf("Program against the paced simulated radio on a pseudo-terminal, real clock:\n");
    double base[2] = {0, 0};
    for (const bool verify : {false, true}) {
        session.guard.verifyAfterWrite = verify;
        Figures program, send;
        for (int i = 0; i < rounds; ++i) {
            page.setWorkingEditText(0, std::to_string(30 + i % 20));
            page.enter(0);
            program.v.push_back(timeMs([&] { page.program(); }));
            send.v.push_back(timeMs([&] { registers.dataSend(); }));
        }
        std::printf(verify ? " with the read-back:\n" : " without the read-back:\n");
        program.print("TX Power Program (10 bytes, 1 block)");
        send.print("CMX148 TX Setup DATA SEND (2 blocks)");
        if (verify) {
            std::printf("  added by the read-back: Program %+.1f ms, DATA SEND %+.1f ms\n",
                        program.median() - base[0], send.median() - base[1]);
        } else {
            base[0] = program.median();
            base[1] = send.median();
        }
    }
    page.close();
    radio.stop();
    if (!notifier.notices.empty()) {
        std::printf("  messages: %zu (first: %s)\n", notifier.notices.size(),
                    notifier.notices[0].text.c_str());
        return 1;
    }
    return 0;
}

} // namespace
} // namespace korvelo

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    return korvelo::run(rounds);
}
