#pragma once
// Instrument families as data: the command strings of each operation and the form of the
// answers. A new test set is a new table, not new code.
//
// Command strings hold one placeholder for the value: {hz}, {mhz}, {khz} or {dbm}. An empty
// string means the family cannot do that operation.
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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

// Where the number stands in an answer, and its unit when the answer names none.
enum class ReplyForm {
    Number,     // "4.98E+00"
    NumberUnit, // "4.98 W"
    Labelled,   // "PWR 4.98W": a word, then the number and unit
};

struct Dialect {
    std::string_view id;   // settings and --dialect
    std::string_view name; // for people
    // Substrings of the *IDN? answer that choose this family (any one, case-insensitive).
    std::span<const std::string_view> idnMatches;
    std::string_view termination = "\n";
    std::array<std::string_view, kOpCount> commands;
    ReplyForm reply = ReplyForm::Number;
    // The factor from an unlabelled answer to the unit of its operation (W, Hz, kHz, dB, V):
    // 1e-3 when a family answers deviation in Hz.
    std::array<double, kOpCount> scale;

    std::string_view command(Op op) const { return commands[static_cast<std::size_t>(op)]; }
};

std::span<const Dialect> dialects();
const Dialect& genericScpi();
const Dialect* dialectById(std::string_view id);
// The family whose pattern the *IDN? answer holds; the generic form for any other.
const Dialect& dialectForIdn(std::string_view idn);

// The command with its placeholder filled ({hz} 145012500, {mhz} 145.0125, {khz} 2.5,
// {dbm} -118.5); nothing when the family lacks the operation.
std::optional<std::string> formatCommand(const Dialect& d, Op op, double value = 0);

// The reading of an answer in the operation's unit; nothing for an answer that holds no
// finite number of that kind (an overrange marker such as 9.91E37 included).
std::optional<double> parseReading(const Dialect& d, Op op, std::string_view answer);

} // namespace korvelo::testset
