#pragma once
// Decimal text as the pages read and write it: the leading number of a text, nothing thrown,
// anything unreadable taken as 0 (" 7" is 7, "12abc" is 12, "UNSUPPORTED" is 0).
#include <optional>
#include <string>
#include <string_view>

namespace korvelo {

long decimalTextToLong(std::string_view text);
double decimalTextToDouble(std::string_view text);

// Values on a page: raw integers 0..max, shown either as "%d" or as raw x step with a fixed
// number of decimals ("%.2f" of raw x 0.05 on the CMX148 deviation pages).
struct ValueScale {
    int max = 63;
    int decimals = 0;
    double step = 1.0;

    std::string format(int raw) const;
    // The raw value a text stands for, rounded to the nearest step; not clamped.
    long parse(std::string_view text) const;
    // The raw value of a text that is a number in this scale's form and nothing else: digits,
    // one decimal point where the scale shows decimals, an optional sign (a negative number
    // counts as below the range), spaces around. Nothing for any other text.
    std::optional<long> read(std::string_view text) const;
    // What the user may type into a value edit: digits, plus one decimal point where the scale
    // shows decimals. Partial input ("" or ".") may be typed; Enter then finds no number.
    bool canType(std::string_view text) const;
    // The raw value of a number that lies on this scale: 0..max and, where the scale shows
    // decimals, on its step grid at those decimals (1.25 on a 0.05 scale, not 1.23). Nothing
    // for anything else.
    std::optional<long> onScale(std::string_view text) const;
    int clamp(long raw) const { return raw < 0 ? 0 : raw > max ? max : static_cast<int>(raw); }
};

} // namespace korvelo
