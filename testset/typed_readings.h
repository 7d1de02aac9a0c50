#pragma once
// The limits of the meter readings technicians type on the pages: the band's shipped limits
// file, each row held to the limit Auto Align holds it to and named as Auto Align names it, so
// that typed and automatic readings of a value stand side by side in the record.
#include "softpot/engine/row_readings.h"

#include <optional>

namespace korvelo::testset {

// Nothing for a row of a page no alignment procedure measures (the receive pages take no meter
// reading), a point the band does not have, or a limit the band's file does not give.
std::optional<ReadingLimit> typedReadingLimit(const Session& session, const PageSpec& page,
                                              const RowSpec& row);

} // namespace korvelo::testset
