// The command line of korvelo-cli.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace korvelo::cli {
namespace {

ParseResult parse(std::vector<std::string> args) {
    return parseCommandLine(args);
}

TEST(CliOptions, AcceptsEachCommandWithItsFiles) {
    const auto read =
        parse({"--port", "/dev/ttyUSB0", "--trace", "t.log", "--force", "read", "a.tun"});
    ASSERT_TRUE(read.options) << read.error;
    EXPECT_EQ(read.options->port, "/dev/ttyUSB0");
    EXPECT_EQ(read.options->trace, "t.log");
    EXPECT_TRUE(read.options->force);
    EXPECT_EQ(read.options->command, Command::Read);
    EXPECT_EQ(read.options->files, std::vector<std::string>{"a.tun"});

    const auto sim = parse({"--simulator", "--sim-flags", "0x30", "--sim-type", "12", "--sim-pace",
                            "diff", "a.tun", "b.tun"});
    ASSERT_TRUE(sim.options) << sim.error;
    EXPECT_EQ(sim.options->simulator->radioFlags, 0x30);
    EXPECT_EQ(sim.options->simulator->radioType, 12);
    EXPECT_TRUE(sim.options->simulator->pace);
    EXPECT_EQ(sim.options->files.size(), 2u);
    EXPECT_FALSE(needsRadio(sim.options->command));

    const auto info = parse({"info"});
    ASSERT_TRUE(info.options);
    EXPECT_FALSE(info.options->port || info.options->simulator);
}

TEST(CliOptions, RefusesWrongCommandLines) {
    const std::vector<std::vector<std::string>> wrong{
        {},
        {"read"},
        {"diff", "a.tun"},
        {"info", "extra"},
        {"sing"},
        {"--port"},
        {"--port", "a", "--simulator", "info"},
        {"--sim-pace", "--simulator", "info"}, // sim options follow --simulator
        {"--simulator", "--sim-flags", "256", "info"},
        {"--simulator", "--sim-type", "x1", "info"},
        {"--verbose", "info"},
    };
    for (const auto& args : wrong) {
        const auto r = parse(args);
        EXPECT_FALSE(r.options) << ::testing::PrintToString(args);
        EXPECT_FALSE(r.error.empty());
    }
}

} // namespace
} // namespace korvelo::cli
