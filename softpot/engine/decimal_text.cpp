#include "softpot/engine/decimal_text.h"

#include <charconv>
#include <cmath>

namespace korvelo {

long decimalTextToLong(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > 100'000'000) // far beyond any value a page holds; stop before overflow
            break;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

// from_chars rather than strtod: the program's locale may use a decimal comma, the radio's
// texts never do.
double decimalTextToDouble(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && text[i] == '+')
        ++i;
    double v = 0.0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
    (void)end;
    return ec == std::errc{} && std::isfinite(v) ? v : 0.0;
}

std::string ValueScale::format(int raw) const {
    char buf[32];
    const auto r = decimals == 0 ? std::to_chars(buf, buf + sizeof buf, raw)
                                 : std::to_chars(buf, buf + sizeof buf, raw * step,
                                                 std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

long ValueScale::parse(std::string_view text) const {
    if (decimals == 0)
        return decimalTextToLong(text);
    return std::lround(decimalTextToDouble(text) / step);
}

namespace {
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

std::optional<long> ValueScale::read(std::string_view text) const {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::string_view body = text;
    if (!body.empty() && (body.front() == '+' || body.front() == '-'))
        body.remove_prefix(1);
    int digits = 0;
    int points = 0;
    for (char c : body) {
        if (isDigit(c))
            ++digits;
        else if (c == '.' && decimals > 0)
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    return parse(text);
}

std::optional<long> ValueScale::onScale(std::string_view text) const {
    if (!read(text))
        return std::nullopt;
    const double d = decimalTextToDouble(text);
    const double unit = std::pow(10.0, decimals);
    constexpr double kSlack = 1e-9; // "3.95" is the top of a 0..79 x 0.05 scale, not above it
    if (d < 0 || d > max * step + kSlack)
        return std::nullopt;
    // The value rounded to the shown decimals must be a whole number of steps.
    const auto shown = static_cast<long>((d + 0.5 / unit) * unit);
    const long perStep = std::lround(step * unit);
    if (perStep > 0 && shown % perStep != 0)
        return std::nullopt;
    return std::lround(d / step);
}

bool ValueScale::canType(std::string_view text) const {
    constexpr std::size_t kLongest = 8; // far more than any value needs
    if (text.size() > kLongest)
        return false;
    int points = 0;
    for (char c : text) {
        if (c == '.' && decimals > 0)
            ++points;
        else if (!isDigit(c))
            return false;
    }
    return points <= 1;
}

} // namespace korvelo
