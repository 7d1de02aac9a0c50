// korvelo-radio-sim: a simulated radio on a pseudo-terminal. Prints the device to open on its
// first line and answers until SIGINT or SIGTERM.
#include "sim/pty_radio.h"
#include "sim/testset_server.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <pthread.h>
#include <string>
#include <string_view>
#include <vector>

using korvelo::sim::PtyRadio;
using korvelo::sim::RadioModel;

namespace {

constexpr const char* kUsage = R"(Usage: korvelo-radio-sim [options]

Serves a simulated radio on a pseudo-terminal. The first line of output is the
device to open (e.g. korvelo --port /dev/pts/3); runs until interrupted.

Radio:
  --type N          radio (band) type, 0..255 (default 0)
  --flags 0xNN      radio-flags byte (0x10 256-block memory, 0x20 CMX148; default 0x00)
  --256             256-block memory: tuning area at 0x3F00
  --cmx148          CMX148 audio processor
  --tun FILE        initial tuning area from a .tun file; its magic sets the CMX148 flag
                    unless --flags or --cmx148 is given
  --tuner-mode      start in tuner mode (enter tuner mode is then refused)
  --no-zel          no ZEL signalling
  --country N       country code, 0..255 (default 1)

Faults:
  --pace            answer at the real line rate (11 bits a byte at 19,200 bit/s)
  --silent          never answer
  --nak-all         refuse every command
  --wrong-checksum  answers with a corrupted checksum
  --split-gap MS    answers in two pieces MS milliseconds apart
  --garbage         stray bytes ahead of every answer
  --drop-nth N      lose the Nth answer
  --hang-up         stop every answer half way through
  --lose-writes     acknowledge region writes without storing them
  --alter-writes    store region writes with their middle byte 2 lower
  --unacked-writes  store region writes without acknowledging them

Test set:
  --testset-port N  also serve a simulated RF test set on TCP port N of 127.0.0.1
                    (0: a free port); its address is the second line of output
  --testset-family ID  the instrument it is: scpi (default), hp8920 (behind a GPIB
                    adapter: gpib://127.0.0.1:N/14), ifr2975, viavi8800, r8000, r2670;
                    alone, it also serves on a free port
  --testset-averaging MS  its readings average over MS milliseconds (a slow meter)

  --log             print every frame received and every answer sent
  --help            this text
)";

[[noreturn]] void usageError(const std::string& message) {
    std::fprintf(stderr, "korvelo-radio-sim: %s\nTry --help.\n", message.c_str());
    std::exit(2);
}

int number(const char* option, const char* text, long lo, long hi) {
    char* end = nullptr;
    errno = 0;
    const long v = text ? std::strtol(text, &end, 0) : 0;
    if (!text || *text == '\0' || *end != '\0' || errno != 0 || v < lo || v > hi)
        usageError(std::string(option) + " needs a number from " + std::to_string(lo) + " to " +
                   std::to_string(hi));
    return static_cast<int>(v);
}

// Loads a tuning file into the model's tuning area; returns the CMX148 bit its magic gives.
std::uint8_t loadTuningFile(RadioModel& radio, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        usageError("cannot open " + path);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    constexpr std::string_view kAk = "TALVEX TUNER AK!";
    constexpr std::string_view kCmx = "TALVEX TUNER CMX";
    const std::string_view magic(bytes.data(), std::min<std::size_t>(bytes.size(), 16));
    if (magic != kAk && magic != kCmx)
        usageError(path + " is not a tuning file");
    // A short file loads as far as it goes, the rest of the area zero, as the tool does.
    std::array<std::uint8_t, RadioModel::kTuningSize> area{};
    for (std::size_t i = 0; i < area.size() && 16 + i < bytes.size(); ++i)
        area[i] = static_cast<std::uint8_t>(bytes[16 + i]);
    radio.setTuningArea(area);
    return magic == kCmx ? RadioModel::kFlagCmx148 : 0;
}

void printFrame(const char* who, std::span<const std::uint8_t> bytes, std::int64_t ms) {
    std::printf("%10.3f %-5s %s\n", static_cast<double>(ms) / 1000.0, who,
                korvelo::bytesToHex(bytes).c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    RadioModel radio;
    std::optional<std::string> tunFile;
    bool flagsGiven = false;
    bool log = false;
    std::optional<int> testsetPort;
    korvelo::sim::SimTestSetOptions testsetOptions;

    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        auto value = [&](long lo, long hi) {
            ++i;
            return number(argv[i - 1], next, lo, hi);
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--type") {
            radio.radioType = static_cast<std::uint8_t>(value(0, 255));
        } else if (a == "--flags") {
            radio.radioFlags = static_cast<std::uint8_t>(value(0, 255));
            flagsGiven = true;
        } else if (a == "--256") {
            radio.radioFlags |= RadioModel::kFlag256Block;
        } else if (a == "--cmx148") {
            radio.radioFlags |= RadioModel::kFlagCmx148;
            flagsGiven = true;
        } else if (a == "--tun") {
            if (!next)
                usageError("--tun needs a file");
            tunFile = argv[++i];
        } else if (a == "--tuner-mode") {
            radio.tunerMode = true;
        } else if (a == "--no-zel") {
            radio.zelSupported = false;
        } else if (a == "--country") {
            radio.countryCode = static_cast<std::uint8_t>(value(0, 255));
        } else if (a == "--pace") {
            radio.faults.pace = true;
        } else if (a == "--silent") {
            radio.faults.silent = true;
        } else if (a == "--nak-all") {
            radio.faults.nakAll = true;
        } else if (a == "--wrong-checksum") {
            radio.faults.wrongChecksum = true;
        } else if (a == "--split-gap") {
            radio.faults.splitGapMs = value(0, 60000);
        } else if (a == "--garbage") {
            radio.faults.garbageBefore = true;
        } else if (a == "--drop-nth") {
            radio.faults.dropNthReply = value(1, 1000000);
        } else if (a == "--hang-up") {
            radio.faults.hangUpMidReply = true;
        } else if (a == "--lose-writes") {
            radio.faults.writes = korvelo::sim::WriteFault::Lost;
        } else if (a == "--alter-writes") {
            radio.faults.writes = korvelo::sim::WriteFault::Altered;
        } else if (a == "--unacked-writes") {
            radio.faults.writes = korvelo::sim::WriteFault::Unacknowledged;
        } else if (a == "--testset-port") {
            testsetPort = value(0, 65535);
        } else if (a == "--testset-family") {
            if (!next || !korvelo::sim::isSimulatedFamily(next))
                usageError("--testset-family needs one of scpi, hp8920, ifr2975, viavi8800, "
                           "r8000, r2670");
            testsetOptions.family = argv[++i];
            if (!testsetPort)
                testsetPort = 0;
        } else if (a == "--testset-averaging") {
            testsetOptions.averagingMs = value(0, 60000);
        } else if (a == "--log") {
            log = true;
        } else {
            usageError("unknown option " + std::string(a));
        }
    }
    if (tunFile) {
        // The area's place depends on the memory size, so the flags are settled first.
        const std::uint8_t cmx = loadTuningFile(radio, *tunFile);
        if (!flagsGiven)
            radio.radioFlags =
                static_cast<std::uint8_t>((radio.radioFlags & ~RadioModel::kFlagCmx148) | cmx);
    }

    // The signals are taken by sigwait below; the radio's thread must not receive them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    PtyRadio pty(std::move(radio));
    if (log) {
        const auto t0 = std::chrono::steady_clock::now();
        pty.setMonitor([t0](const char* who, std::span<const std::uint8_t> bytes) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - t0)
                                .count();
            printFrame(who, bytes, ms);
        });
    }
    std::string error;
    if (!pty.start(&error)) {
        std::fprintf(stderr, "korvelo-radio-sim: cannot start: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", pty.devicePath().c_str());
    std::fflush(stdout);
    korvelo::sim::TestSetServer testSet(pty, testsetOptions);
    if (testsetPort) {
        if (!testSet.start(*testsetPort, &error)) {
            std::fprintf(stderr, "korvelo-radio-sim: cannot serve the test set: %s\n",
                         error.c_str());
            pty.stop();
            return 1;
        }
        std::printf("%s\n", testSet.address().c_str());
        std::fflush(stdout);
    }

    int sig = 0;
    sigwait(&stopSignals, &sig);
    testSet.stop();
    pty.stop();
    return 0;
}
