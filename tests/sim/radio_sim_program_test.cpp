// korvelo-radio-sim as other programs and scripts use it: the device on the first line, the
// options applied, a clean end on SIGTERM.
#include "link/command_frame.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace korvelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Program {
    pid_t pid = -1;
    int out = -1;
};

Program launch(std::vector<std::string> args) {
    args.insert(args.begin(), KORVELO_RADIO_SIM);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    Program p;
    if (posix_spawn(&p.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        p.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    p.out = fds[0];
    return p;
}

// The first line of the program's output, waiting up to 5 s.
std::string firstLine(int fd) {
    std::string line;
    char c;
    while (line.size() < 256) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0 || ::read(fd, &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    return line;
}

Bytes exchange(const std::string& device, const std::string& hex, std::size_t n) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return {};
    const Bytes cmd = hexToBytes(hex);
    Bytes got;
    if (::write(fd, cmd.data(), cmd.size()) == static_cast<ssize_t>(cmd.size())) {
        while (got.size() < n) {
            pollfd p{fd, POLLIN, 0};
            std::uint8_t buf[128];
            if (::poll(&p, 1, 2000) <= 0)
                break;
            const ssize_t r = ::read(fd, buf, sizeof buf);
            if (r > 0)
                got.insert(got.end(), buf, buf + r);
        }
    }
    ::close(fd);
    return got;
}

TEST(RadioSimProgram, ServesTheGivenRadioUntilTerminated) {
    // A CMX148 tuning file whose area starts 0xA0 0xA1 ...
    const std::string tun = ::testing::TempDir() + "radio_sim_program_test.tun";
    {
        std::ofstream f(tun, std::ios::binary);
        f << "TALVEX TUNER CMX";
        for (int i = 0; i < 256; ++i)
            f.put(static_cast<char>(0xA0 + i));
    }
    Program p = launch({"--type", "5", "--256", "--tun", tun});
    ASSERT_GT(p.pid, 0);
    const std::string device = firstLine(p.out);
    ASSERT_FALSE(device.empty());

    EXPECT_EQ(exchange(device, CommandFrame::radioType(), 8),
              hexToBytes("02 10 79 00 01 05 8F 03"));
    EXPECT_EQ(exchange(device, CommandFrame::radioFlags(), 8),
              hexToBytes("02 10 93 00 01 30 D4 03"));
    const Bytes block = exchange(device, CommandFrame::readBlock(0x3F00), 73);
    ASSERT_EQ(block.size(), 73u);
    EXPECT_EQ(block[7], 0xA0);
    EXPECT_EQ(block[70], 0xDF);

    ASSERT_EQ(::kill(p.pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(p.pid, &status, 0), p.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ::close(p.out);
}

TEST(RadioSimProgram, RefusesBadOptions) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--type", "256"},
                                                 {"--split-gap"},
                                                 {"--frobnicate"},
                                                 {"--tun", "/nonexistent/file.tun"}}) {
        Program p = launch(args);
        ASSERT_GT(p.pid, 0);
        int status = 0;
        ASSERT_EQ(::waitpid(p.pid, &status, 0), p.pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args[0];
        EXPECT_EQ(firstLine(p.out), "") << args[0];
        ::close(p.out);
    }
}

} // namespace
} // namespace korvelo
