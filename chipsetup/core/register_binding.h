#pragma once
// The audio-processor register pages as data. Every control of such a page shows and edits one
// tuning-image byte, or a bit field of one: a table of bindings (control, image byte, bit range,
// list or scale) says which, and one engine (RegisterPage) runs the start, the change handlers
// and the refresh of every page from it. The functions below are the per-kind rules: how a
// field is read, stored, shown, parsed from typed text and stepped by a spin.
#include "radio/tuning_image.h"
#include "radio/tuning_regions.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

// Bits low..low+width-1 of a byte.
struct BitRange {
    std::uint8_t low = 0;
    std::uint8_t width = 8;

    constexpr std::uint8_t mask() const {
        return static_cast<std::uint8_t>(((1u << width) - 1u) << low);
    }
    constexpr unsigned get(std::uint8_t b) const { return (b & mask()) >> low; }
    constexpr std::uint8_t put(std::uint8_t b, unsigned v) const {
        return static_cast<std::uint8_t>((b & ~mask()) | ((v << low) & mask()));
    }
};
inline constexpr BitRange kWholeByte{0, 8};
constexpr BitRange bitRange(int low, int high) {
    return BitRange{static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(high - low + 1)};
}

// What a typed value that is not on the scale's grid, or outside it, does when it is taken.
enum class OffGrid {
    Restore, // the edit shows the stored value again; nothing is stored
    Snap,    // the nearest grid value within the limits is stored
};

// A value shown as min + code x step with a fixed number of decimals, codes 0..maxCode.
struct StepScale {
    double min = 0.0;
    double step = 1.0;
    int maxCode = 0;
    int decimals = 1;
    OffGrid offGrid = OffGrid::Restore;

    double value(unsigned code) const { return min + code * step; }
    std::string format(unsigned code) const;
    // The code of a typed text under the off-grid rule; nothing for a text that is no number
    // (or, with Restore, is off the grid or outside the limits).
    std::optional<unsigned> parse(std::string_view text) const;
};

enum class ControlKind {
    Choice,   // drop-down list: the field holds the entry's index
    Scaled,   // edit with a spin: the field holds a code of a StepScale
    HexWord,  // edit with a spin: a word, low 8 bits in byte, the rest in bits of byte + 1
    Radio,    // radio buttons
    Text,     // plain edit
    ByteView, // read-only: the image bytes of the page's writes, in hex
};

// One control and the image bits behind it.
struct Binding {
    int control = 0; // template control id (edit, list, first radio button, view)
    int spin = 0;    // the edit's spin control, 0 when it has none
    int group = 0;   // index into the page's groups
    std::string_view row = {};
    std::string_view column = {};
    ControlKind kind = ControlKind::Choice;
    // False: the control keeps its own value and nothing reaches the image.
    bool bound = true;
    std::uint8_t byte = 0;
    BitRange bits = kWholeByte; // HexWord: the bits of byte + 1 that hold the high part
    // A change writes the field into a byte whose other bits become 0 (reading still takes
    // only the field's bits).
    bool clearsOtherBits = false;
    std::span<const std::string_view> list = {}; // Choice and Radio entries, index order
    StepScale scale = {};                        // Scaled
    std::string_view initialText = {};           // unbound edits
    int maxChars = 0;                            // edits; 0: no limit
    bool enabled = true;
    std::string_view note = {}; // a tool tip the technician should see
};

// Table helpers for the common rows: a list on a byte or bit field, an edit with a spin on a
// scaled byte or bit field.
inline Binding listBinding(int control, int group, std::string_view row, std::string_view column,
                           std::uint8_t byte, std::span<const std::string_view> list,
                           BitRange bits = kWholeByte) {
    return Binding{.control = control,
                   .group = group,
                   .row = row,
                   .column = column,
                   .kind = ControlKind::Choice,
                   .byte = byte,
                   .bits = bits,
                   .list = list};
}
inline Binding scaledBinding(int edit, int spin, int group, std::string_view row,
                             std::string_view column, std::uint8_t byte, StepScale scale,
                             int maxChars, BitRange bits = kWholeByte) {
    return Binding{.control = edit,
                   .spin = spin,
                   .group = group,
                   .row = row,
                   .column = column,
                   .kind = ControlKind::Scaled,
                   .byte = byte,
                   .bits = bits,
                   .scale = scale,
                   .maxChars = maxChars};
}

// The image bits a bound control changes.
struct ByteClaim {
    std::uint8_t byte;
    std::uint8_t mask;
    bool operator==(const ByteClaim&) const = default;
};
std::vector<ByteClaim> claims(const Binding& b);

// The field's value in the image, and storing one (other bits kept unless clearsOtherBits).
unsigned readField(const TuningImage& image, const Binding& b);
void writeField(TuningImage& image, const Binding& b, unsigned value);

// What an edit shows for a field value ("%.2f", "%04X", ...); a list's entry, or "" when the
// value is not in the list.
std::string fieldText(const Binding& b, unsigned value);
// The field decoded for listings: a list's entry by name, or the value and why it is odd.
std::string describeField(const TuningImage& image, const Binding& b);

// A typed text's value, or nothing when it must be refused (the edit then shows the stored
// value again).
std::optional<unsigned> parseTyped(const Binding& b, std::string_view text);
// One spin step from `from`: +1 up, -1 down, within the scale's codes (a HexWord wraps).
unsigned stepValue(const Binding& b, unsigned from, int delta);

// A label for the user and for listings: the group's caption, the row and the column
// ("CMX148 [$B0] : MOD1 Output Attenuation (dB), 12.5KHz, CSQ").
std::string bindingLabel(std::string_view groupCaption, const Binding& b);

} // namespace korvelo
