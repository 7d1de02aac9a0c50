#include "cli/cli_options.h"

#include <charconv>
#include <map>
#include <string_view>

namespace korvelo::cli {

namespace {

struct CommandEntry {
    Command command;
    std::size_t files;
    bool optional = false; // the words may be left out
};

const std::map<std::string_view, CommandEntry> kCommands{
    {"read", {Command::Read, 1}},
    {"info", {Command::Info, 0}},
    {"reset", {Command::Reset, 0}},
    {"leave", {Command::Leave, 0}},
    {"dump", {Command::Dump, 1}},
    {"diff", {Command::Diff, 2}},
    {"doctor", {Command::Doctor, 0}},
    {"udev-rule", {Command::UdevRule, 0}},
    {"backups", {Command::Backups, 1, true}},
    {"verify", {Command::Verify, 1}},
    {"restore", {Command::Restore, 1}},
    {"align", {Command::Align, 0}},
    {"history", {Command::History, 1, true}},
    {"report", {Command::Report, 1}},
    {"testset", {Command::TestsetProbe, 2}},
};

// Decimal or 0x-prefixed hexadecimal, 0..255.
std::optional<std::uint8_t> parseByte(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

} // namespace

bool needsRadio(Command command) {
    return command != Command::Dump && command != Command::Diff && command != Command::Doctor &&
           command != Command::UdevRule && command != Command::Backups &&
           command != Command::History && command != Command::Report &&
           command != Command::TestsetProbe;
}

const char* usageText() {
    return "usage: korvelo-cli [--port DEVICE | --simulator [sim options]] [--trace FILE] "
           "[--force] [--leave] COMMAND\n"
           "commands:\n"
           "  read FILE.tun      Tuning Init, then save the tuning area (--force overwrites);\n"
           "                     the radio stays in tuner mode unless --leave is given\n"
           "  info               firmware version, serial number and country code\n"
           "  reset              take the radio out of tuner mode (Reset)\n"
           "  leave              send the leave-tuner-mode command (exit 1 without an answer)\n"
           "  dump FILE.tun      radio kind, every region of a tuning file and the decoded\n"
           "                     softpots (--type N labels the frequency points of band type N)\n"
           "  diff A.tun B.tun   the values in which two tuning files differ, decoded as the\n"
           "                     pages show them (--type N labels the points), then any other\n"
           "                     bytes (exit 0 same, 1 different, 3 a file cannot be read)\n"
           "  doctor             every serial port, the one Korvelo would use, and what stands\n"
           "                     in the way, each with its fix (exit 0 when a usable cable\n"
           "                     port was found, 1 otherwise)\n"
           "  udev-rule          print Korvelo's udev rule for CP210x cables (Linux)\n"
           "  backups [SERIAL]   the backups Korvelo keeps of every radio read (of one radio\n"
           "                     with SERIAL), newest first, with time, band and memory size\n"
           "  verify FILE.tun    read the radio and say whether it holds the file's tuning\n"
           "                     area (exit 0 it does, 1 it differs, 3 a file error, 4 no\n"
           "                     radio), listing the differing bytes\n"
           "  restore FILE.tun   read the radio, then write the regions that differ from the\n"
           "                     backup, each read back; a backup of another serial number\n"
           "                     (or of an unknown one) only with --force\n"
           "  align              Tuning Init, then align against an RF test set, one line per\n"
           "                     row with PASS or FAIL (exit 0 only when all passed):\n"
           "    --testset CONN   tcp://HOST:PORT, serial:DEVICE[:BAUD], a GPIB adapter as\n"
           "                     gpib:DEVICE:ADDRESS[:BAUD] or gpib://HOST[:PORT]/ADDRESS;\n"
           "                     with --simulator, by default the simulated test set\n"
           "                     measuring the simulated radio\n"
           "    --procedures L   of power, deviation, subaudio, zel, squelch (default\n"
           "                     power,deviation,squelch)\n"
           "    --limits FILE    targets and limits (default: the shipped file of the band)\n"
           "    --family ID      the test set's family (scpi, hp8920, ifr2975, viavi8800,\n"
           "                     r8000, r2670 or a file's own; default: by its identity)\n"
           "    --duty N         share of time keyed, 0.1..1, rests between rows (default 1)\n"
           "    --program        write the passed values into the radio\n"
           "                     (--leave: leave tuner mode at the end)\n"
           "  testset probe CONN connect to a test set, identify it and take one power\n"
           "                     reading (--family ID: that family; exit 0 when it answered)\n"
           "  history [SERIAL]   the radios in the alignment record, or one radio's jobs\n"
           "  report JOB|SERIAL  a job's report (its id or the id's first digits), or every\n"
           "                     job of a radio: --pdf FILE, --csv FILE, --html FILE\n"
           "record options:\n"
           "  --no-record        read: keep no job in the alignment record\n"
           "  --shop             history, report: the shop database of the settings rather\n"
           "                     than this bench's record; --shop-db CONNINFO names another\n"
           "sim options (after --simulator):\n"
           "  --sim-flags N      radio-flags byte (0x10 256-block memory, 0x20 CMX148)\n"
           "  --sim-type N       radio type (band)\n"
           "  --sim-tun FILE     initial tuning area from a tuning file\n"
           "  --sim-pace         pace replies at the real line rate\n"
           "  --sim-silent       a radio that never answers\n"
           "  --sim-testset-family ID  the simulated test set's family (default scpi)\n"
           "  --sim-averaging MS the simulated test set averages its readings over MS\n"
           "  --sim-writes lost|altered|unacked  region writes acknowledged but not stored,\n"
           "                     stored with one byte changed, or stored but not acknowledged\n"
           "without --port or --simulator the port is chosen as the program does\n";
}

ParseResult parseCommandLine(const std::vector<std::string>& args) {
    Options o;
    std::vector<std::string> words;
    auto fail = [](std::string why) { return ParseResult{std::nullopt, std::move(why)}; };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        auto byteValue = [&](std::uint8_t& out) {
            std::string text;
            if (!value(text))
                return false;
            const auto b = parseByte(text);
            if (b)
                out = *b;
            return b.has_value();
        };
        const bool simOption = a.starts_with("--sim-");
        if (simOption && !o.simulator)
            return fail(a + " needs --simulator before it");
        if (a == "--port") {
            std::string device;
            if (!value(device))
                return fail("--port needs a device");
            o.port = device;
        } else if (a == "--simulator") {
            o.simulator = SimOptions{};
        } else if (a == "--trace") {
            std::string file;
            if (!value(file))
                return fail("--trace needs a file");
            o.trace = file;
        } else if (a == "--type") {
            std::uint8_t type = 0;
            if (!byteValue(type))
                return fail("--type needs a number 0..255");
            o.radioType = type;
        } else if (a == "--force") {
            o.force = true;
        } else if (a == "--leave") {
            o.leave = true;
        } else if (a == "--testset") {
            if (!value(o.align.testSet))
                return fail("--testset needs a connection (tcp://HOST:PORT)");
        } else if (a == "--procedures") {
            if (!value(o.align.procedures))
                return fail("--procedures needs a list");
        } else if (a == "--limits") {
            std::string file;
            if (!value(file))
                return fail("--limits needs a file");
            o.align.limitsFile = file;
        } else if (a == "--family" || a == "--dialect") {
            std::string id;
            if (!value(id))
                return fail(a + " needs a family");
            o.align.family = id;
        } else if (a == "--duty") {
            std::string text;
            double duty = 0;
            if (!value(text) ||
                std::from_chars(text.data(), text.data() + text.size(), duty).ec != std::errc{} ||
                duty < 0.1 || duty > 1)
                return fail("--duty needs a number 0.1..1");
            o.align.dutyCycle = duty;
        } else if (a == "--program") {
            o.align.program = true;
        } else if (a == "--no-record") {
            o.record = false;
        } else if (a == "--shop") {
            o.shop = true;
        } else if (a == "--shop-db") {
            std::string conninfo;
            if (!value(conninfo))
                return fail("--shop-db needs a connection string");
            o.shopDb = conninfo;
            o.shop = true;
        } else if (a == "--pdf" || a == "--csv" || a == "--html") {
            std::string file;
            if (!value(file))
                return fail(a + " needs a file");
            (a == "--pdf" ? o.pdf : a == "--csv" ? o.csv : o.html) = file;
        } else if (a == "--sim-flags") {
            std::uint8_t flags = 0;
            if (!byteValue(flags))
                return fail("--sim-flags needs a number 0..255");
            o.simulator->radioFlags = flags;
        } else if (a == "--sim-type") {
            if (!byteValue(o.simulator->radioType))
                return fail("--sim-type needs a number 0..255");
        } else if (a == "--sim-tun") {
            if (!value(o.simulator->tuningFile))
                return fail("--sim-tun needs a file");
        } else if (a == "--sim-pace") {
            o.simulator->pace = true;
        } else if (a == "--sim-testset-family") {
            if (!value(o.simulator->testSetFamily))
                return fail("--sim-testset-family needs a family");
        } else if (a == "--sim-averaging") {
            std::string text;
            int ms = 0;
            if (!value(text) ||
                std::from_chars(text.data(), text.data() + text.size(), ms).ec != std::errc{} ||
                ms < 0 || ms > 60000)
                return fail("--sim-averaging needs milliseconds 0..60000");
            o.simulator->testSetAveragingMs = ms;
        } else if (a == "--sim-silent") {
            o.simulator->silent = true;
        } else if (a == "--sim-writes") {
            std::string how;
            if (!value(how) || (how != "lost" && how != "altered" && how != "unacked"))
                return fail("--sim-writes needs lost, altered or unacked");
            o.simulator->writes = how == "lost"      ? SimOptions::Writes::Lost
                                  : how == "altered" ? SimOptions::Writes::Altered
                                                     : SimOptions::Writes::Unacknowledged;
        } else if (a.starts_with("--")) {
            return fail("unknown option " + a);
        } else {
            words.push_back(a);
        }
    }
    if (o.port && o.simulator)
        return fail("--port and --simulator exclude each other");
    if (words.empty())
        return fail("no command given");
    const auto entry = kCommands.find(words.front());
    if (entry == kCommands.end())
        return fail("unknown command " + words.front());
    o.command = entry->second.command;
    o.files.assign(words.begin() + 1, words.end());
    if (o.command == Command::Align && o.align.testSet.empty() && !o.simulator)
        return fail("align needs --testset (or --simulator for the simulated one)");
    if (o.command == Command::TestsetProbe && (o.files.size() != 2 || o.files[0] != "probe"))
        return fail("testset needs probe and a connection (testset probe CONN)");
    if (o.command == Command::Report && o.files.size() != 1)
        return fail("report needs one job id or serial number");
    if (o.files.size() != entry->second.files && !(entry->second.optional && o.files.empty()))
        return fail(words.front() + " needs " + std::to_string(entry->second.files) + " file" +
                    (entry->second.files == 1 ? "" : "s"));
    if (o.command == Command::Report && !o.pdf && !o.csv && !o.html)
        return fail("report needs --pdf FILE, --csv FILE or --html FILE");
    return {o, {}};
}

} // namespace korvelo::cli
