#pragma once
// Every alignment page's table, for the listings that go over all of them (the tuning-area
// catalogue). A new page adds its PageSpec here.
#include "softpot/engine/page_spec.h"
#include "softpot/engine/tab_host.h"

#include <cstdint>
#include <span>
#include <string>

namespace korvelo {

std::span<const PageSpec* const> softpotPages();
// The tab hosts, for what their "Program" reads or writes besides the pages' rows (the point
// masks).
std::span<const TabHostSpec* const> softpotTabHosts();

// A row named as the page names it, with its frequency point's label for this radio type
// when the band has one: "High Power, point 1 (136.00000 MHz)", "High Power, point 1".
std::string rowName(const PageSpec& page, const RowSpec& row, std::uint8_t radioType);

} // namespace korvelo
