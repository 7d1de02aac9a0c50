#pragma once
// The meter readings a technician types on a page that keys the transmitter: which rows take
// one (those whose quantity has a limit in the band's limits file), the verdict against the
// limits, and what the alignment record keeps: the reading with the row's value at that moment.
// UI-free: the page's widget owns one and forwards what is typed.
#include "softpot/engine/softpot_group.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

// What a row's reading is held to.
struct ReadingLimit {
    std::string value;    // the row as the record names it ("High Power, point 1 (136.00000 MHz)")
    std::string quantity; // "Power"
    std::string unit;     // "W"
    double target = 0;
    double low = 0; // inclusive
    double high = 0;
};

// Finds the limit of a row's reading for the session's radio; nothing when the row takes none.
using ReadingLimitFinder =
    std::function<std::optional<ReadingLimit>(const Session&, const PageSpec&, const RowSpec&)>;
// The program installs its finder (the band's limits) once, before any page opens; without one
// no row takes a reading.
void setReadingLimitFinder(ReadingLimitFinder finder);

// A reading as the page keeps it.
struct RowReading {
    double reading = 0;
    std::string softpot; // the row's value when it was taken, as the page shows it
    bool pass = false;
};

// A meter reading as typed: a decimal number with a point or a comma, an optional sign, spaces
// around; nothing for anything else.
std::optional<double> parseReading(std::string_view text);

class RowReadings {
  public:
    // The limits of the page's rows, found now; pages without keying take no readings.
    explicit RowReadings(const SoftpotGroup& group);
    RowReadings(const RowReadings&) = delete;
    RowReadings& operator=(const RowReadings&) = delete;

    bool anyRow() const;
    const ReadingLimit* limit(int row) const;
    const std::optional<RowReading>& reading(int row) const;

    // The reading typed for a row: judged against the row's limits, kept with the row's value
    // of this moment (what the radio was last given, not a number typed and not yet entered),
    // and told to the alignment record, where it replaces the row's earlier typed reading.
    // Nothing when the row takes no reading or the text is no number.
    const RowReading* take(int row, std::string_view text);

    // The kept reading as a number ("5.02"); empty before a reading.
    std::string readingText(int row) const;
    // "PASS" or "FAIL", and with the value it was taken at when the row's value has moved since
    // ("PASS at 32"); empty before a reading.
    std::string verdictText(int row) const;
    // The reading in full, for a tool tip and assistive technology: "5.02 W at softpot 32:
    // PASS (limits 4.75 to 5.25 W)".
    std::string noteText(int row) const;

  private:
    const SoftpotGroup& group_;
    std::vector<std::optional<ReadingLimit>> limits_;
    std::vector<std::optional<RowReading>> readings_;
};

} // namespace korvelo
