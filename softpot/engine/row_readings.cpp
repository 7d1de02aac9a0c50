#include "softpot/engine/row_readings.h"

#include "radio/image_record.h"

#include <charconv>
#include <cmath>

namespace korvelo {

namespace {

ReadingLimitFinder& finder() {
    static ReadingLimitFinder f;
    return f;
}

// The shortest text that reads back as the number: 5.02, not 5.0199999999999996.
std::string numberText(double v) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

} // namespace

void setReadingLimitFinder(ReadingLimitFinder f) {
    finder() = std::move(f);
}

std::optional<double> parseReading(std::string_view text) {
    std::string s = trimmed(text);
    if (!s.empty() && s.front() == '+')
        s.erase(0, 1);
    // Meters and habits differ: a decimal comma is a decimal point.
    int points = 0;
    bool digits = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char& c = s[i];
        if (c == ',')
            c = '.';
        if (c == '.')
            ++points;
        else if (c >= '0' && c <= '9')
            digits = true;
        else if (!(c == '-' && i == 0))
            return std::nullopt;
    }
    if (!digits || points > 1)
        return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

RowReadings::RowReadings(const SoftpotGroup& group) : group_(group) {
    const auto rows = static_cast<std::size_t>(group.rowCount());
    limits_.resize(rows);
    readings_.resize(rows);
    if (!group.page().keying.hasButton || !finder())
        return;
    for (std::size_t i = 0; i < rows; ++i)
        limits_[i] = finder()(group.session(), group.page(), *group.row(static_cast<int>(i)).desc);
}

bool RowReadings::anyRow() const {
    for (const auto& l : limits_)
        if (l)
            return true;
    return false;
}

const ReadingLimit* RowReadings::limit(int row) const {
    const auto& l = limits_.at(static_cast<std::size_t>(row));
    return l ? &*l : nullptr;
}

const std::optional<RowReading>& RowReadings::reading(int row) const {
    return readings_.at(static_cast<std::size_t>(row));
}

const RowReading* RowReadings::take(int row, std::string_view text) {
    const ReadingLimit* l = limit(row);
    const std::optional<double> value = parseReading(text);
    if (!l || !value)
        return nullptr;
    RowReading r;
    r.reading = *value;
    r.softpot = trimmed(group_.row(row).workingText);
    r.pass = *value >= l->low && *value <= l->high;
    AlignmentReading rec;
    rec.value = l->value;
    rec.quantity = l->quantity;
    rec.unit = l->unit;
    rec.target = l->target;
    rec.low = l->low;
    rec.high = l->high;
    rec.reading = r.reading;
    rec.pass = r.pass;
    rec.manual = true;
    rec.softpot = r.softpot;
    recordReading(group_.session(), rec);
    auto& kept = readings_.at(static_cast<std::size_t>(row));
    kept = std::move(r);
    return &*kept;
}

std::string RowReadings::readingText(int row) const {
    const auto& r = reading(row);
    return r ? numberText(r->reading) : std::string();
}

std::string RowReadings::verdictText(int row) const {
    const auto& r = reading(row);
    if (!r)
        return {};
    std::string text = r->pass ? "PASS" : "FAIL";
    if (trimmed(group_.row(row).workingText) != r->softpot)
        text += " at " + r->softpot;
    return text;
}

std::string RowReadings::noteText(int row) const {
    const auto& r = reading(row);
    const ReadingLimit* l = limit(row);
    if (!r || !l)
        return {};
    return numberText(r->reading) + " " + l->unit + " at softpot " + r->softpot + ": " +
           (r->pass ? "PASS" : "FAIL") + " (limits " + numberText(l->low) + " to " +
           numberText(l->high) + " " + l->unit + ")";
}

} // namespace korvelo
