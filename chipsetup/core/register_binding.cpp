#include "chipsetup/core/register_binding.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace korvelo {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The template's captions carry line breaks and padding; a label is one line.
void appendWords(std::string& out, std::string_view text) {
    bool space = !out.empty();
    for (char c : trimmed(text)) {
        if (c == ' ' || c == '\r' || c == '\n' || c == '\t') {
            space = true;
            continue;
        }
        if (space && !out.empty() && out.back() != ' ')
            out += ' ';
        space = false;
        out += c;
    }
}

unsigned hexMax(const Binding& b) {
    return (1u << (8 + b.bits.width)) - 1u;
}

// The texts are the radio's own, with a decimal point whatever the user's locale says.
std::optional<double> parseDecimal(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<unsigned> parseHex(std::string_view text, unsigned max) {
    text = trimmed(text);
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    unsigned v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 16);
    if (ec != std::errc{} || end != text.data() + text.size() || v > max)
        return std::nullopt;
    return v;
}

} // namespace

std::string StepScale::format(unsigned code) const {
    double v = value(code);
    if (std::fabs(v) < step * 1e-6) // never "-0.0"
        v = 0.0;
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

std::optional<unsigned> StepScale::parse(std::string_view text) const {
    const std::optional<double> e = parseDecimal(text);
    if (!e)
        return std::nullopt;
    const long code = std::lround((*e - min) / step);
    if (offGrid == OffGrid::Snap)
        return static_cast<unsigned>(code < 0 ? 0 : code > maxCode ? maxCode : code);
    if (code < 0 || code > maxCode ||
        std::fabs(value(static_cast<unsigned>(code)) - *e) > step * 1e-3)
        return std::nullopt;
    return static_cast<unsigned>(code);
}

std::vector<ByteClaim> claims(const Binding& b) {
    if (!b.bound || b.kind == ControlKind::ByteView || b.kind == ControlKind::Text ||
        b.kind == ControlKind::Radio)
        return {};
    const std::uint8_t fieldMask = b.clearsOtherBits ? 0xFF : b.bits.mask();
    if (b.kind == ControlKind::HexWord)
        return {{b.byte, 0xFF}, {static_cast<std::uint8_t>(b.byte + 1), fieldMask}};
    return {{b.byte, fieldMask}};
}

unsigned readField(const TuningImage& image, const Binding& b) {
    if (b.kind == ControlKind::HexWord)
        return image[b.byte] | b.bits.get(image[b.byte + 1u]) << 8;
    return b.bits.get(image[b.byte]);
}

void writeField(TuningImage& image, const Binding& b, unsigned value) {
    auto put = [&](std::size_t at, unsigned v) {
        image[at] = b.clearsOtherBits ? b.bits.put(0, v) : b.bits.put(image[at], v);
    };
    if (b.kind == ControlKind::HexWord) {
        image[b.byte] = static_cast<std::uint8_t>(value & 0xFF);
        put(b.byte + 1u, value >> 8);
        return;
    }
    put(b.byte, value);
}

std::string fieldText(const Binding& b, unsigned value) {
    switch (b.kind) {
    case ControlKind::Choice:
    case ControlKind::Radio:
        return value < b.list.size() ? std::string(b.list[value]) : std::string();
    case ControlKind::Scaled:
        return b.scale.format(value);
    case ControlKind::HexWord: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04X", value);
        return buf;
    }
    case ControlKind::Text:
    case ControlKind::ByteView:
        break;
    }
    return {};
}

std::string describeField(const TuningImage& image, const Binding& b) {
    const unsigned v = readField(image, b);
    switch (b.kind) {
    case ControlKind::Choice:
        if (v < b.list.size())
            return std::string(b.list[v]);
        return "value " + std::to_string(v) + " (not in the list)";
    case ControlKind::Scaled:
        if (static_cast<int>(v) > b.scale.maxCode)
            return b.scale.format(v) + " (code " + std::to_string(v) + ", outside " +
                   b.scale.format(0) + ".." + b.scale.format(b.scale.maxCode) + ")";
        return b.scale.format(v);
    default:
        return fieldText(b, v);
    }
}

std::optional<unsigned> parseTyped(const Binding& b, std::string_view text) {
    if (b.kind == ControlKind::Scaled)
        return b.scale.parse(text);
    if (b.kind == ControlKind::HexWord)
        return parseHex(text, hexMax(b));
    return std::nullopt;
}

unsigned stepValue(const Binding& b, unsigned from, int delta) {
    if (b.kind == ControlKind::HexWord) {
        const unsigned max = hexMax(b);
        if (delta > 0)
            return from >= max ? 0 : from + 1;
        return from == 0 ? max : from - 1;
    }
    if (delta > 0)
        return static_cast<int>(from) < b.scale.maxCode ? from + 1 : from;
    return from == 0 ? 0 : from - 1;
}

std::string bindingLabel(std::string_view groupCaption, const Binding& b) {
    std::string label;
    appendWords(label, groupCaption);
    for (std::string_view part : {b.row, b.column}) {
        if (trimmed(part).empty())
            continue;
        if (!label.empty())
            label += ", ";
        appendWords(label, part);
    }
    return label;
}

} // namespace korvelo
