// korvelo-cli align against korvelo-radio-sim --testset-port, both as programs: the radio over a
// pseudo-terminal, the test set over TCP, real timing.
#include "radio/tuning_file.h"
#include "sim/radio_model.h"
#include "sim/rf_bench.h"
#include "softpot/engine/tx_setup_block.h"

#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace korvelo {
namespace {

namespace fs = std::filesystem;

struct Sim {
    pid_t pid = -1;
    int out = -1;
    ~Sim() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        if (out >= 0)
            ::close(out);
    }
    std::string line() {
        std::string l;
        char c;
        while (l.size() < 256) {
            pollfd p{out, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0 || ::read(out, &c, 1) != 1 || c == '\n')
                break;
            l += c;
        }
        return l;
    }
};

void launch(Sim& sim, std::vector<std::string> args) {
    args.insert(args.begin(), KORVELO_RADIO_SIM);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    ASSERT_EQ(posix_spawn(&sim.pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    sim.out = fds[0];
}

// The exit status and standard output (with standard error too when asked).
std::pair<int, std::string> cli(const std::string& args, const fs::path& dir,
                                bool withStderr = false) {
    const fs::path out = dir / "stdout";
    // Backups of the radio read and the settings stay in the test's folder.
    const std::string command = "XDG_DATA_HOME=" + (dir / "data").string() +
                                " XDG_CONFIG_HOME=" + (dir / "config").string() + " " +
                                KORVELO_CLI_PATH + " " + args + " >" + out.string() +
                                (withStderr ? " 2>&1" : " 2>/dev/null");
    const int raw = std::system(command.c_str());
    std::ifstream in(out);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
            std::string(std::istreambuf_iterator<char>(in), {})};
}

// All ten power rows are aligned within their limits and programmed; reading the radio back
// shows the new values in its memory, and they give the target power on the radio's own curve;
// the trace holds the radio's frames and the test set's lines in one timeline.
TEST(AlignEndToEnd, PowerRowsAlignedAndProgrammed) {
    ScratchDir dir("korvelo-align");
    Sim sim;
    launch(sim, {"--type", "0", "--testset-port", "0"});
    const std::string device = sim.line();
    const std::string address = sim.line();
    ASSERT_EQ(device.rfind("/dev/", 0), 0u) << device;
    ASSERT_EQ(address.rfind("tcp://127.0.0.1:", 0), 0u) << address;

    const fs::path trace = dir / "trace.txt";
    const auto [status, out] =
        cli("--port " + device + " --trace " + trace.string() + " align --testset " + address +
                " --procedures power --program --leave",
            dir);
    EXPECT_EQ(status, 0) << out;

    // "High Power, point 1 (136.00000 MHz) ... old 52 new 34 reading 5.04 it 5  PASS"
    const std::regex row(
        R"((High|Low) Power, point (\d) .* old +(\d+) new +(\d+) reading +([\d.]+) it (\d+) +PASS)");
    std::map<int, int> newValues; // image byte -> value
    int rows = 0;
    for (auto it = std::sregex_iterator(out.begin(), out.end(), row); it != std::sregex_iterator();
         ++it) {
        const auto& m = *it;
        const bool high = m[1] == "High";
        const int point = std::stoi(m[2]);
        const double reading = std::stod(m[5]);
        EXPECT_NEAR(reading, high ? 5.0 : 1.0, high ? 0.25 : 0.1) << m[0];
        newValues[0x16 + 2 * (point - 1) + (high ? 0 : 1)] = std::stoi(m[4]);
        ++rows;
    }
    EXPECT_EQ(rows, 10) << out;
    EXPECT_NE(out.find("Programmed the passed values.\nAlignment completed.\n"), std::string::npos)
        << out;
    // What the radio held was backed up before anything was written.
    EXPECT_NE(out.find("Backup: " + (dir / "data").string()), std::string::npos) << out;

    // The radio's memory, read back as the program reads it.
    const fs::path tun = dir / "after.tun";
    const auto [readStatus, readOut] = cli("--port " + device + " read " + tun.string(), dir);
    ASSERT_EQ(readStatus, 0) << readOut;
    std::ifstream in(tun, std::ios::binary);
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    const auto record = parseTuningFile(bytes);
    ASSERT_TRUE(record);
    for (const auto& [offset, value] : newValues)
        EXPECT_EQ(record->image[offset], value) << "image byte " << offset;

    // The radio's own noise-free curve at the programmed values lies within the limits: the
    // model is the simulator's (same serial number), set up for each point's frequency.
    sim::RadioModel model;
    const sim::RfRadio rf(model);
    const double pointsMhz[] = {136.0, 150.0, 155.0, 163.0, 174.0};
    for (const auto& [offset, value] : newValues) {
        const bool high = (offset - 0x16) % 2 == 0;
        std::array<std::uint8_t, 9> bytes{};
        TxSetupBlock block(bytes);
        ASSERT_TRUE(encodeTxFrequency(block, pointsMhz[(offset - 0x16) / 2] * 1e6));
        std::copy(bytes.begin(), bytes.end(), model.lastTxSetup.begin());
        const double p = rf.powerCurve(value, sim::pointOf(model), high);
        EXPECT_NEAR(p, high ? 5.0 : 1.0, high ? 0.25 : 0.1) << "image byte " << offset;
    }

    std::ifstream t(trace);
    const std::string text(std::istreambuf_iterator<char>(t), {});
    EXPECT_NE(text.find(" TS> *IDN?"), std::string::npos);
    EXPECT_NE(text.find(" TS> MEAS:POW?"), std::string::npos);
    EXPECT_NE(text.find(" TS< "), std::string::npos);
    EXPECT_NE(text.find(" TX 02 02 81 83 03"), std::string::npos);       // PTT on
    EXPECT_NE(text.find(" TX 02 02 82 84 03"), std::string::npos);       // PTT off
    EXPECT_NE(text.find(" TX 02 02 01 1F 16 00 0A"), std::string::npos); // the power region
    // Every PTT on is followed by a PTT off before the next row's set-up block.
    std::size_t on = 0, off = 0;
    for (std::size_t at = 0; (at = text.find(" TX 02 02 81 83 03", at)) != std::string::npos; ++at)
        ++on;
    for (std::size_t at = 0; (at = text.find(" TX 02 02 82 84 03", at)) != std::string::npos; ++at)
        ++off;
    EXPECT_EQ(on, 10u);
    EXPECT_GE(off, on);

    // The run is a job of the alignment record with the test set's ten readings, each PASS.
    const fs::path csv = dir / "report.csv";
    const auto [reportStatus, reportOut] = cli("report KV00012345 --csv " + csv.string(), dir);
    ASSERT_EQ(reportStatus, 0) << reportOut;
    std::ifstream report(csv);
    std::size_t readings = 0, passed = 0;
    for (std::string line; std::getline(report, line);) {
        if (line.find(",\"reading\",\"\",") == std::string::npos) // a reading row, not the header
            continue;
        ++readings;
        passed += line.find(",\"PASS\"") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(readings, 10u);
    EXPECT_EQ(passed, 10u);
}

// The VHF limits file on a UHF radio: refused with exit 2 and a message naming both bands,
// before the transmitter is keyed or anything is written.
TEST(AlignEndToEnd, AnotherBandsLimitsAreRefused) {
    ScratchDir dir("korvelo-align-band");
    Sim sim;
    launch(sim, {"--type", "4", "--testset-port", "0"});
    const std::string device = sim.line();
    const std::string address = sim.line();
    ASSERT_EQ(device.rfind("/dev/", 0), 0u) << device;
    const fs::path trace = dir / "trace.txt";
    const auto [status, out] =
        cli("--port " + device + " --trace " + trace.string() + " align --testset " + address +
                " --limits " + KORVELO_LIMITS_DIR + "/vhf.json --procedures power --program",
            dir, true);
    EXPECT_EQ(status, 2) << out;
    EXPECT_NE(out.find("vhf.json: These limits are for VHF 136-174 MHz (radio type 0), not for "
                       "this radio: radio type 4, 350 to 390 MHz."),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("PASS"), std::string::npos) << out;
    std::ifstream t(trace);
    const std::string text(std::istreambuf_iterator<char>(t), {});
    EXPECT_EQ(text.find(" TX 02 02 81 83 03"), std::string::npos); // never keyed
    EXPECT_EQ(text.find(" TX 02 02 01 1F 16"), std::string::npos); // nothing written
}

} // namespace
} // namespace korvelo
