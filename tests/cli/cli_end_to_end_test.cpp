// korvelo-cli as a program, against a simulated radio on a pseudo-terminal: the real serial
// channel, receive thread and timing.
#include "link/command_frame.h"
#include "radio/tuning_file.h"
#include "sim/pty_radio.h"

#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace korvelo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct CliRun {
    int status = -1;
    std::string out, err;
};

// Runs korvelo-cli with the arguments (shell-quoted by the caller where needed). Its data
// (the backups) and its settings stay in the test's folder.
CliRun cli(const std::string& args, const fs::path& dir, const std::string& env = "") {
    const fs::path out = dir / "stdout", err = dir / "stderr";
    const std::string command = "XDG_DATA_HOME=" + (dir / "data").string() +
                                " XDG_CONFIG_HOME=" + (dir / "config").string() + " " + env +
                                std::string(KORVELO_CLI_PATH) + " " + args + " >" + out.string() +
                                " 2>" + err.string();
    const int raw = std::system(command.c_str());
    auto slurp = [](const fs::path& p) {
        std::ifstream in(p);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

Bytes readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class CliEndToEnd : public ::testing::Test {
  protected:
    std::unique_ptr<sim::PtyRadio> startRadio(std::uint8_t flags, std::uint8_t type) {
        sim::RadioModel model;
        model.radioFlags = flags;
        model.radioType = type;
        auto radio = std::make_unique<sim::PtyRadio>(std::move(model));
        std::string why;
        EXPECT_TRUE(radio->start(&why)) << why;
        return radio;
    }
    std::string port(sim::PtyRadio& radio) { return "--port " + radio.devicePath(); }

    ScratchDir dir_{"korvelo-cli"};
};

// Without --port the port comes from the profile, as in the program: a manually chosen port
// ("AUTO" = "No") is opened; with automatic detection and no CP210x bridge (none in a test
// machine) the port-selection message ends the run.
TEST_F(CliEndToEnd, WithoutPortTheProfileChooses) {
    auto radio = startRadio(0x00, 5);
    const fs::path config = dir_ / "config";
    const fs::path profile = config / "Local AppWizard-Generated Applications" / "Tuner Tool.conf";
    fs::create_directories(profile.parent_path());
    std::ofstream(profile) << "[Settings]\nAUTO=No\nCOM=" << radio->devicePath() << "\n";
    const std::string env = "XDG_CONFIG_HOME=" + config.string() + " ";
    const CliRun manual = cli("info", dir_, env);
    EXPECT_EQ(manual.status, 0) << manual.err;
    EXPECT_NE(manual.out.find("FW Version: R03.00"), std::string::npos) << manual.out;

    std::ofstream(profile) << "[Settings]\nAUTO=Yes\n";
    const CliRun automatic = cli("info", dir_, env);
    EXPECT_EQ(automatic.status, 1);
    EXPECT_NE(automatic.err.find("Please Connect the Port selection."), std::string::npos)
        << automatic.err;
}

TEST_F(CliEndToEnd, ReadSavesTheRadiosTuningAreaForBothMemoriesAndChips) {
    struct Case {
        std::uint8_t flags;
        std::string_view magic;
    };
    for (const Case& c : {Case{0x00, kMagicAk2347}, Case{0x30, kMagicCmx148}}) {
        SCOPED_TRACE(static_cast<int>(c.flags));
        auto radio = startRadio(c.flags, 5);
        const fs::path file = dir_ / ("radio" + std::to_string(c.flags) + ".tun");
        const CliRun run = cli(port(*radio) + " read " + file.string(), dir_);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.err.find("Radio has been successfully read !!"), std::string::npos);
        EXPECT_NE(run.err.find("read block 4 of 4"), std::string::npos);
        // What was read, where its backup went, and that the radio is still in tuner mode.
        const std::string backups = (dir_ / "data" / "Korvelo" / "Korvelo" / "backups").string();
        const auto backupAt = run.out.find("Backup: " + backups + "/KV00012345_type5_");
        ASSERT_NE(backupAt, std::string::npos) << run.out;
        const auto backupEnd = run.out.find('\n', backupAt);
        const fs::path backup = run.out.substr(backupAt + 8, backupEnd - backupAt - 8);
        EXPECT_EQ(Bytes(readFile(backup)), readFile(file));
        EXPECT_EQ(run.out.substr(0, backupAt) + run.out.substr(backupEnd + 1),
                  std::string(c.flags ? "Memory: 256 blocks, tuning area at 0x3F00\n"
                                        "Audio processor: CMX148\n"
                                      : "Memory: 128 blocks, tuning area at 0x1F00\n"
                                        "Audio processor: AK2347\n") +
                      "Band: radio type 5, 403 to 447 MHz\nSaved " + file.string() +
                      "\nThe radio stays in tuner mode (korvelo-cli leave, or Reset, "
                      "takes it out).\n");

        const Bytes saved = readFile(file);
        ASSERT_EQ(saved.size(), kTuningFileSize);
        EXPECT_EQ(std::string(saved.begin(), saved.begin() + 16), c.magic);
        const Bytes area = radio->withModel([](sim::RadioModel& m) {
            const auto a = m.tuningArea();
            return Bytes(a.begin(), a.end());
        });
        EXPECT_EQ(Bytes(saved.begin() + 16, saved.end()), area);
        // The read left the radio in tuner mode, as the program's Tuning Init does.
        EXPECT_TRUE(radio->withModel([](sim::RadioModel& m) { return m.tunerMode; }));
    }

    // --leave takes it out after a successful read and says that the radio answered. Here the
    // 256-block CMX148 radio's flags replies are damaged twice: the read says how it was read.
    auto radio = startRadio(0x30, 0);
    radio->withModel([](sim::RadioModel& m) {
        m.scriptAnswers(Cmd::RadioFlags, {sim::Answer::WrongChecksum, sim::Answer::WrongChecksum});
    });
    const CliRun left = cli(port(*radio) + " --leave read " + (dir_ / "l.tun").string(), dir_);
    EXPECT_EQ(left.status, 0) << left.err;
    EXPECT_NE(left.err.find("Radio has been successfully read !!\nThe radio did not report its "
                            "memory size and audio processor; it was read as a 128-block AK2347 "
                            "radio.\n"),
              std::string::npos)
        << left.err;
    EXPECT_EQ(
        left.out.rfind("Memory: 128 blocks, tuning area at 0x1F00\nAudio processor: AK2347\n", 0),
        0u);
    EXPECT_NE(left.out.find("Band: radio type 0, 136 to 174 MHz\n"), std::string::npos);
    EXPECT_NE(left.out.find("The radio answered the leave-tuner-mode command.\n"),
              std::string::npos)
        << left.out;
    EXPECT_FALSE(radio->withModel([](sim::RadioModel& m) { return m.tunerMode; }));
}

TEST_F(CliEndToEnd, ReadKeepsAnExistingFileUnlessForced) {
    auto radio = startRadio(0x00, 0);
    const fs::path file = dir_ / "a.tun";
    std::ofstream(file) << "precious";
    const CliRun refused = cli(port(*radio) + " read " + file.string(), dir_);
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(readFile(file), (Bytes{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_TRUE(radio->withModel([](sim::RadioModel& m) { return m.received().empty(); }));

    const CliRun forced = cli(port(*radio) + " --force read " + file.string(), dir_);
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(readFile(file).size(), kTuningFileSize);
}

TEST_F(CliEndToEnd, InfoResetAndLeave) {
    auto radio = startRadio(0x00, 0);
    radio->withModel([](sim::RadioModel& m) {
        m.fwVersion = {'D', '1', '2', '3', '4'};
        m.countryCode = 2;
        m.tunerMode = true;
    });
    const CliRun info = cli(port(*radio) + " info", dir_);
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out,
              "FW Version: D12.34\nSerial Number: KV00012345\nCountry Code: \"None\" (code 2)\n");

    const fs::path trace = dir_ / "trace.log";
    EXPECT_EQ(cli(port(*radio) + " --trace " + trace.string() + " reset", dir_).status, 0);
    EXPECT_FALSE(radio->withModel([](sim::RadioModel& m) { return m.tunerMode; }));
    const Bytes log = readFile(trace);
    const std::string text(log.begin(), log.end());
    EXPECT_NE(text.find("TX 02 02 72 74 03"), std::string::npos) << text;
    EXPECT_NE(text.find("RX 02 10 06 16 03"), std::string::npos) << text;

    radio->withModel([](sim::RadioModel& m) {
        m.tunerMode = true;
        m.clearReceived();
    });
    const CliRun leave = cli(port(*radio) + " leave", dir_);
    EXPECT_EQ(leave.status, 0);
    EXPECT_EQ(leave.out, "The radio answered the leave-tuner-mode command.\n");
    const auto frames = radio->withModel([](sim::RadioModel& m) { return m.receivedFrames(); });
    EXPECT_EQ(frames, (std::vector<Bytes>{{0x02, 0x02, 0x41, 0x43, 0x03}}));

    // A radio that does not answer within 1,000 ms: said, and status 1.
    const CliRun silent = cli("--simulator --sim-silent leave", dir_);
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err,
              "error: The radio did not answer the leave-tuner-mode command within 1,000 ms.\n");

    // Information replies are decoded from their declared length, and a radio's control
    // bytes are shown escaped.
    radio->withModel([](sim::RadioModel& m) {
        m.serialNumber = {'K', 'V', 0x07, '1', 0x1B, '2', 0x7F, '3', 0xE9, '4'};
        m.scriptAnswers(Cmd::FwVersion, {sim::Answer::Short});
    });
    const CliRun odd = cli(port(*radio) + " info", dir_);
    EXPECT_EQ(odd.status, 0) << odd.err;
    EXPECT_EQ(odd.out, "FW Version: D1.\nSerial Number: KV\\x071\\x1B2\\x7F3\\xE94\n"
                       "Country Code: \"None\" (code 2)\n");
    // A refused read: "Read Fail !" on standard output, status 1, and why on standard error.
    radio->withModel(
        [](sim::RadioModel& m) { m.scriptAnswers(Cmd::FwVersion, {sim::Answer::Nak}); });
    const CliRun refused = cli(port(*radio) + " info", dir_);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.out.starts_with("FW Version: Read Fail !\n")) << refused.out;
    EXPECT_EQ(refused.err, "error: The radio refused the FW Version read (NAK).\n");
}

TEST_F(CliEndToEnd, FailuresGiveTheirExitStatus) {
    const CliRun usage = cli("read", dir_);
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("usage:"), std::string::npos);
    EXPECT_EQ(cli("--port /dev/null --simulator info", dir_).status, 2);
    EXPECT_EQ(cli("--simulator frobnicate", dir_).status, 2);

    const CliRun noPort = cli("--port " + (dir_ / "no-such-tty").string() + " reset", dir_);
    EXPECT_EQ(noPort.status, 1);
    EXPECT_EQ(noPort.err.rfind("error: Fail Port open\n", 0), 0u) << noPort.err;

    // A port that is not a serial device fails as an open, at once, with the reason.
    const auto start = std::chrono::steady_clock::now();
    const CliRun devNull = cli("--port /dev/null info", dir_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(devNull.status, 1);
    EXPECT_EQ(devNull.err, "error: Fail Port open\n/dev/null is not a serial device; its line "
                           "settings cannot be applied.\n");

    std::ofstream(dir_ / "bad.tun") << "not a tuning file";
    const CliRun bad = cli("dump " + (dir_ / "bad.tun").string(), dir_);
    EXPECT_EQ(bad.status, 3);
    EXPECT_NE(bad.err.find("error: Cannot open the file\n" + (dir_ / "bad.tun").string() + ": "),
              std::string::npos)
        << bad.err;

    // Neither an endless device nor a FIFO is read: refused at once.
    ASSERT_EQ(::mkfifo((dir_ / "fifo.tun").c_str(), 0600), 0);
    for (const std::string& other : {std::string("/dev/zero"), (dir_ / "fifo.tun").string()}) {
        const CliRun endless = cli("diff " + other + " " + (dir_ / "bad.tun").string(), dir_);
        EXPECT_EQ(endless.status, 3);
        EXPECT_NE(endless.err.find("Cannot open the file\n" + other + ": not a regular file"),
                  std::string::npos)
            << endless.err;
    }

    // A read whose file cannot be written sends nothing to the radio.
    auto radio = startRadio(0x00, 0);
    const CliRun unwritable =
        cli(port(*radio) + " read " + (dir_ / "no-such-dir" / "a.tun").string(), dir_);
    EXPECT_EQ(unwritable.status, 3);
    EXPECT_NE(unwritable.err.find("error: Cannot open the file.\n"), std::string::npos);
    EXPECT_TRUE(radio->withModel([](sim::RadioModel& m) { return m.received().empty(); }));

    // Results that cannot be written are a failure.
    const fs::path tun = dir_ / "ok.tun";
    ASSERT_EQ(cli(port(*radio) + " read " + tun.string(), dir_).status, 0);
    const std::string full = std::string(KORVELO_CLI_PATH) + " dump " + tun.string() +
                             " >/dev/full 2>" + (dir_ / "full.err").string();
    const int raw = std::system(full.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 3) << raw;

    // A switched-off radio: one message, then status 1.
    const CliRun off = cli("--simulator --sim-silent info", dir_);
    EXPECT_EQ(off.status, 1);
    EXPECT_NE(off.err.find("Please Power On or Change the cable."), std::string::npos);
    EXPECT_EQ(off.out, "");
}

TEST_F(CliEndToEnd, InProcessSimulatorDumpAndDiff) {
    const fs::path a = dir_ / "a.tun", b = dir_ / "b.tun";
    ASSERT_EQ(cli("--simulator --sim-flags 0x20 read " + a.string(), dir_).status, 0);
    ASSERT_EQ(cli("--simulator --sim-flags 0x20 read " + b.string(), dir_).status, 0);

    const CliRun same = cli("diff " + a.string() + " " + b.string(), dir_);
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.out, "No differences.\n");

    // Change one softpot of the power page and one byte no page writes.
    Bytes bytes = readFile(b);
    bytes[16 + 0x18] ^= 0xFF;
    bytes[16 + 0xFF] ^= 0x01;
    std::ofstream(b, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const CliRun diff = cli("diff " + a.string() + " " + b.string(), dir_);
    EXPECT_EQ(diff.status, 1); // as cmp: 0 same, 1 different
    // Decoded as the pages show the values; a byte no page edits stays in hex.
    const Bytes before = readFile(a);
    const std::string high2 =
        "Transmit Power\n  High Power, point 2: " + std::to_string(before[16 + 0x18]) + " -> " +
        std::to_string(bytes[16 + 0x18]) + "\n";
    EXPECT_EQ(diff.out.rfind(high2, 0), 0u) << diff.out;
    char other[64];
    std::snprintf(other, sizeof other, "Other bytes\n  0xFF: %02X -> %02X  (written by no page)\n",
                  before[16 + 0xFF], bytes[16 + 0xFF]);
    EXPECT_NE(diff.out.find(other), std::string::npos) << diff.out;
    EXPECT_EQ(std::count(diff.out.begin(), diff.out.end(), '\n'), 4);

    const CliRun dump = cli("dump " + a.string(), dir_);
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out.rfind("Radio: CMX148\n", 0), 0u);
    EXPECT_NE(dump.out.find("0xED..0xFE  TX sub-audio"), std::string::npos);
    // The power softpots decoded; the file does not know the band, so points are unlabelled
    // unless --type says which band the radio is.
    const Bytes saved = readFile(a);
    const std::string high1 = "  High Power, point 1: " + std::to_string(saved[16 + 0x16]) + "\n";
    EXPECT_NE(dump.out.find(high1), std::string::npos) << dump.out;
    const CliRun labelled = cli("--type 5 dump " + a.string(), dir_);
    const std::string low5 =
        "  Low Power, point 5 (446.52500 MHz): " + std::to_string(saved[16 + 0x1F]) + "\n";
    EXPECT_NE(labelled.out.find(low5), std::string::npos) << labelled.out;
}

// The guards from the command line on one radio: every read leaves a backup; verify finds
// what a bad write changed; restore puts the backup back (only the differing regions) and
// verify then agrees; a backup of another radio is refused without --force.
TEST_F(CliEndToEnd, BackupsVerifyAndRestore) {
    auto radio = startRadio(0x10, 5);
    const std::string at = port(*radio) + " --leave ";
    ASSERT_EQ(cli(at + "read " + (dir_ / "a.tun").string(), dir_).status, 0);
    const CliRun listed = cli("backups", dir_);
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.out.find("  KV00012345  type 5 (403 to 447 MHz)  256 blocks  AK2347  " +
                              (dir_ / "data" / "Korvelo" / "Korvelo" / "backups").string() +
                              "/KV00012345_type5_"),
              std::string::npos)
        << listed.out;
    const std::string backup = listed.out.substr(listed.out.rfind("  ") + 2,
                                                 listed.out.size() - listed.out.rfind("  ") - 3);
    const auto area = [&] {
        return radio->withModel([](sim::RadioModel& m) {
            const auto a = m.tuningArea();
            return Bytes(a.begin(), a.end());
        });
    };
    const Bytes original = area();

    // A Program gone wrong: a power softpot and a CMX148 setup byte.
    radio->withModel([](sim::RadioModel& m) {
        m.tuningArea()[0x18] = 7;
        m.tuningArea()[0x72] ^= 0x01;
    });
    const CliRun differs = cli(at + "verify " + backup, dir_);
    EXPECT_EQ(differs.status, 1) << differs.err;
    EXPECT_NE(differs.out.find("0x3F18: file " + std::to_string(original[0x18]) + ", radio 7\n"),
              std::string::npos)
        << differs.out;
    EXPECT_NE(differs.out.find("0x3F72: file "), std::string::npos);
    EXPECT_NE(differs.out.find("The radio holds another tuning area than the file.\n"),
              std::string::npos);

    radio->withModel([](sim::RadioModel& m) { m.clearReceived(); });
    const CliRun restored = cli(at + "restore " + backup, dir_);
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_NE(restored.out.find("Restored TX power (0x3F16..0x3F1F)\nRestored CMX148 TX setup "
                                "(0x3F71..0x3FAD)\n"),
              std::string::npos)
        << restored.out;
    EXPECT_EQ(area(), original);
    const auto frames = radio->withModel([](sim::RadioModel& m) { return m.receivedFrames(); });
    EXPECT_EQ(
        std::count_if(frames.begin(), frames.end(), [](const Bytes& f) { return f[2] == 0x01; }),
        2);
    const CliRun same = cli(at + "verify " + backup, dir_);
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_NE(same.out.find("The radio holds the file's tuning area.\n"), std::string::npos);

    // Another radio: refused, nothing written; --force restores it.
    radio->withModel([](sim::RadioModel& m) {
        m.serialNumber = {'K', 'V', '0', '0', '0', '9', '9', '9', '9', '9'};
        m.tuningArea()[0x18] = 9;
        m.clearReceived();
    });
    const CliRun refused = cli(at + "restore " + backup, dir_);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("error: The backup is of radio KV00012345, but the radio is "
                               "KV00099999. Nothing was written; --force restores it anyway.\n"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(area()[0x18], 9);
    EXPECT_EQ(cli(at + "--force restore " + backup, dir_).status, 0);
    EXPECT_EQ(area(), original);

    // Every read left its backup: a read, two verifies and three restores.
    const CliRun mine = cli("backups KV00012345", dir_);
    EXPECT_EQ(std::count(mine.out.begin(), mine.out.end(), '\n'), 4) << mine.out;
    const CliRun all = cli("backups", dir_);
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 6) << all.out;

    // Serial numbers are compared exactly: a backup of "KV0001234 " is not of "KV0001234".
    radio->withModel([](sim::RadioModel& m) {
        m.serialNumber = {'K', 'V', '0', '0', '0', '1', '2', '3', '4', ' '};
    });
    const CliRun spaced = cli(at + "read " + (dir_ / "spaced.tun").string(), dir_);
    ASSERT_EQ(spaced.status, 0) << spaced.err;
    const auto from = spaced.out.find("Backup: ") + 8;
    const std::string spacedBackup = spaced.out.substr(from, spaced.out.find('\n', from) - from);
    radio->withModel([](sim::RadioModel& m) {
        m.serialNumber = {'K', 'V', '0', '0', '0', '1', '2', '3', '4', 0};
        m.tuningArea()[0x18] = 11;
    });
    const CliRun other = cli(at + "restore " + spacedBackup, dir_);
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("error: The backup is of radio KV0001234 , but the radio is "
                             "KV0001234. Nothing was written"),
              std::string::npos)
        << other.err;
    EXPECT_EQ(area()[0x18], 11);
}

// A SIGTERM in the middle of a read at the real line rate: the read stops sending, the radio
// leaves tuner mode, and the program ends with 128 + 15.
TEST_F(CliEndToEnd, SigtermLeavesTunerModeBeforeExit) {
    sim::RadioModel model;
    model.faults.pace = true;
    auto radio = std::make_unique<sim::PtyRadio>(std::move(model));
    ASSERT_TRUE(radio->start());
    // Everything the child needs is made before the fork: the radio's thread runs meanwhile.
    const std::string data = "XDG_DATA_HOME=" + (dir_ / "data").string();
    const std::string file = (dir_ / "s.tun").string();
    const std::string device = radio->devicePath();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::putenv(const_cast<char*>(data.c_str()));
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(KORVELO_CLI_PATH, KORVELO_CLI_PATH, "--port", device.c_str(), "read", file.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Until the first block has been asked for: in tuner mode, in the middle of the read.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!radio->withModel([](sim::RadioModel& m) {
        for (const auto& f : m.receivedFrames())
            if (f[2] == 0x02)
                return true;
        return false;
    }) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    int raw = 0;
    ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 128 + SIGTERM) << raw;
    const auto frames = radio->withModel([](sim::RadioModel& m) { return m.receivedFrames(); });
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back(), (Bytes{0x02, 0x02, 0x41, 0x43, 0x03}));
    EXPECT_FALSE(radio->withModel([](sim::RadioModel& m) { return m.tunerMode; }));
    EXPECT_FALSE(fs::exists(dir_ / "s.tun")); // the read did not finish
}

// kill -9 in the middle of a read, with the radio in tuner mode and its transmitter keyed:
// the run leaves its state file naming the port, and the next start of korvelo-cli sends PTT
// off and leave-tuner-mode to that radio, says so on standard error, then runs its command.
TEST_F(CliEndToEnd, AfterKillNineTheNextStartUnkeysAndLeavesTunerMode) {
    sim::RadioModel model;
    model.faults.pace = true;
    auto radio = std::make_unique<sim::PtyRadio>(std::move(model));
    ASSERT_TRUE(radio->start());
    const std::string data = "XDG_DATA_HOME=" + (dir_ / "data").string();
    const std::string file = (dir_ / "k.tun").string();
    const std::string device = radio->devicePath();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::putenv(const_cast<char*>(data.c_str()));
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(KORVELO_CLI_PATH, KORVELO_CLI_PATH, "--port", device.c_str(), "read", file.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!radio->withModel([](sim::RadioModel& m) {
        for (const auto& f : m.receivedFrames())
            if (f[2] == 0x02)
                return true;
        return false;
    }) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // Keyed, as a page would have left it.
    radio->withModel([](sim::RadioModel& m) { m.pttOn = true; });
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int raw = 0;
    ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(raw));
    ASSERT_TRUE(radio->withModel([](sim::RadioModel& m) { return m.tunerMode && m.pttOn; }));

    const fs::path states = dir_ / "data" / "Korvelo" / "Korvelo" / "link-state";
    ASSERT_EQ(std::distance(fs::directory_iterator(states), fs::directory_iterator()), 1);
    const Bytes state = readFile(fs::directory_iterator(states)->path());
    const std::string text(state.begin(), state.end());
    EXPECT_NE(text.find("port=" + device + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("tuner_mode=yes\n"), std::string::npos) << text;

    radio->withModel([](sim::RadioModel& m) { m.clearReceived(); });
    const CliRun next = cli(port(*radio) + " info", dir_);
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(next.err, "korvelo-cli: Korvelo did not end cleanly while the radio on " + device +
                            " was in tuner mode. Sending PTT off and leave-tuner-mode on " +
                            device + ".\nkorvelo-cli: the radio on " + device +
                            " answered the leave-tuner-mode command.\n");
    const auto frames = radio->withModel([](sim::RadioModel& m) { return m.receivedFrames(); });
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0], (Bytes{0x02, 0x02, 0x82, 0x84, 0x03}));
    EXPECT_EQ(frames[1], (Bytes{0x02, 0x02, 0x41, 0x43, 0x03}));
    EXPECT_EQ(frames[2][2], 0x70); // then the command itself
    EXPECT_FALSE(radio->withModel([](sim::RadioModel& m) { return m.tunerMode || m.pttOn; }));
    EXPECT_TRUE(fs::is_empty(states));

    // Done once: the start after a clean end sends nothing of its own.
    radio->withModel([](sim::RadioModel& m) { m.clearReceived(); });
    const CliRun clean = cli(port(*radio) + " info", dir_);
    EXPECT_EQ(clean.err, "");
    EXPECT_EQ(radio->withModel([](sim::RadioModel& m) { return m.receivedFrames(); }).at(0)[2],
              0x70);
}

// korvelo-cli doctor: exit 1, with the cause and its fix, for a port that opens but is no
// cable (no USB ids), one that another process holds, or one that is not there. udev-rule
// prints the rule as shipped.
TEST_F(CliEndToEnd, DoctorAndTheUdevRule) {
    // A pseudo-terminal whose slave side nobody holds open.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string free = ::ptsname(master);
    const CliRun ok = cli("--port " + free + " doctor", dir_);
    ::close(master);
    EXPECT_EQ(ok.status, 1) << ok.out << ok.err;
    EXPECT_NE(ok.out.find("This run uses " + free + ", given on the command line."),
              std::string::npos)
        << ok.out;
    EXPECT_NE(ok.out.find("- " + free + " is not a Korvelo cable (no USB IDs)."), std::string::npos)
        << ok.out;
    EXPECT_NE(ok.out.find("No usable cable port was found."), std::string::npos);

    // The simulated radio keeps a descriptor of its slave side open in this process.
    auto radio = startRadio(0x00, 5);
    const CliRun held = cli(port(*radio) + " doctor", dir_);
    EXPECT_EQ(held.status, 1);
    EXPECT_NE(held.out.find("- " + radio->devicePath() + " is in use by cli_end_to_end_ (process " +
                            std::to_string(::getpid()) + ")."),
              std::string::npos)
        << held.out;

    const CliRun gone = cli("--port /dev/ttyKORVELO9 doctor", dir_);
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.out.find("- /dev/ttyKORVELO9 is not there. Fix: Plug the cable in"),
              std::string::npos)
        << gone.out;

    const CliRun rule = cli("udev-rule", dir_);
    EXPECT_EQ(rule.status, 0);
    std::ifstream shipped(KORVELO_UDEV_RULE);
    EXPECT_EQ(rule.out, std::string(std::istreambuf_iterator<char>(shipped), {}));
}

} // namespace
} // namespace korvelo
