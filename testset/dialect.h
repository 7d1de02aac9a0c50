#pragma once
// Instrument families as data: what to send for each operation, how the instrument answers,
// what it is set up with and how it says who it is. The program ships one file per family in
// res/testsets; a shop adds its own instrument by dropping a file of the same form into the
// "testsets" folder of Korvelo's data folder (a file there with a shipped id replaces it).
//
//   {"format": "korvelo-testset", "version": 1, "id": "r8000", "name": "...",
//    "line": {"termination": "\r\n", "answerEnd": "\r\n", "echo": false, "prompt": "",
//             "status": {"ok": "0", "busyWords": ["busy"], "busyCodes": []}},
//    "identity": [{"query": "*IDN?", "contains": ["R8000"]}],
//    "marker": {"query": "*OPC?", "contains": ["1"], "exact": true},
//    "setup": ["..."], "teardown": ["..."],
//    "timing": {"timeoutMs": 2000, "connectMs": 5000, "settleMs": 100, "retuneMs": 300,
//               "averagingMs": 0, "busyMs": 8000, "busyPollMs": 250},
//    "commands": {"analyzerFrequency": "SET RF:Monitor Frequency={hz} Hz",
//                 "power": {"query": "GET METER:Measured Power", "unit": "dBm",
//                           "line": 1, "lines": 1}, ...}}
//
// Command strings hold at most one placeholder: {hz}, {khz}, {mhz}, {dbm} (or {value} for a
// command in the operation's own unit). A missing command means the family cannot do it.
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo::testset {

enum class Op {
    Reset,
    AnalyzerFrequency,
    ReadPower,          // transmit power, W
    ReadFrequencyError, // Hz
    ReadDeviation,      // FM peak deviation, kHz
    GeneratorFrequency,
    GeneratorLevel,
    GeneratorOn,
    GeneratorOff,
    GeneratorModulation, // FM deviation of the generator's 1 kHz tone
    ReadSinad,           // dB
    ReadAudioLevel,      // V
    Count
};
inline constexpr std::size_t kOpCount = static_cast<std::size_t>(Op::Count);
inline constexpr int kFamilyVersion = 1;

// How answers come back, written once in the link and named by the files.
struct LineRules {
    std::string termination = "\n"; // sent after every line
    std::string answerEnd = "\n";   // ends an answer line; "": the answer ends when bytes stop
    bool echo = false;              // every line sent comes back first
    std::string prompt;             // a line that ends every answer ("%"); "": none
    // A status prefix "N:" on every answer; empty ok: none.
    std::string statusOk;
    std::vector<std::string> busyWords;
    std::vector<std::string> busyCodes;
    bool statusOnCommands = true; // set commands are answered with a status too
    bool hasStatus() const { return !statusOk.empty(); }
};

struct IdentityProbe {
    std::string query;
    // Any one of these (case-insensitive) makes the answer this family's; empty: any plausible
    // answer.
    std::vector<std::string> contains;
    bool exact = false; // the whole answer must be one of contains ("*OPC?" answers "1")
    bool matches(std::string_view answer) const;
};

struct FamilyTiming {
    int timeoutMs = 2000;
    int connectMs = 5000;
    int settleMs = 100;   // after a value change, before a reading counts
    int retuneMs = 300;   // after retuning the analyser or the generator, or keying
    int averagingMs = 0;  // the time the instrument's reading averages over
    int busyMs = 8000;    // the longest an instrument may say it is busy
    int busyPollMs = 250; // between polls of a busy instrument
};

struct Command {
    std::string text; // empty: the family cannot
    std::string unit; // of the answer (reads) or of {value} (sets)
    int line = 1;     // the answer's line holding the number, 1-based
    int lines = 1;    // lines the answer has
};

struct Family {
    std::string id;   // settings and --family
    std::string name; // for people
    LineRules rules;
    std::vector<IdentityProbe> identity;
    // A query whose answer is recognisable, to get back in step after a time-out (the first
    // identity probe when the file names none).
    IdentityProbe marker;
    std::vector<std::string> setup;
    std::vector<std::string> teardown;
    FamilyTiming timing;
    std::array<Command, kOpCount> commands;
    std::string source; // "shipped" or the file it came from

    const Command& command(Op op) const { return commands[static_cast<std::size_t>(op)]; }
};

struct FamilyResult {
    std::optional<Family> family;
    std::string error;
};
FamilyResult parseFamily(std::string_view text);

// Every family: the shipped ones and those of the folder set by useFamilyFolder, by name.
const std::vector<Family>& families();
// Adds the families of a folder (a shop's own files); messages for files that did not load.
std::vector<std::string> useFamilyFolder(const std::string& folder);
const Family* familyById(std::string_view id);
const Family& genericScpi();
// Every shipped file's text, by file name.
const std::vector<std::pair<std::string, std::string_view>>& shippedFamilyFiles();

// The command with its placeholder filled ({hz} 145012500, {mhz} 145.0125, {khz} 2.5,
// {dbm} -118.5); nothing when the family lacks the operation.
std::optional<std::string> formatCommand(const Family& f, Op op, double value = 0);

// The reading of an answer line in the operation's unit (W, Hz, kHz, dB, V); nothing for an
// answer that holds no number of that kind, or one no instrument could have measured (NaN,
// infinities, 9.91E37, 1e30 W).
std::optional<double> parseReading(const Family& f, Op op, std::string_view answer);

} // namespace korvelo::testset
