#include "softpot/softpot_pages.h"

#include "softpot/txpower/tx_power_page.h"

#include <array>

namespace korvelo {

std::span<const PageSpec* const> softpotPages() {
    static const std::array<const PageSpec*, 1> pages = {&txPowerPage()};
    return pages;
}

std::string rowName(const PageSpec& page, const RowSpec& row, std::uint8_t radioType) {
    std::string name = std::string(row.group) + ", point " + std::to_string(row.point);
    const auto labels = frequencyLabels(page.labels, bandGroup(radioType, page.type1));
    const auto i = static_cast<std::size_t>(row.point - 1);
    if (i < labels.size() && !labels[i].empty()) {
        const bool numeric = labels[i].front() >= '0' && labels[i].front() <= '9';
        name += " (" + std::string(labels[i]) + (numeric ? " MHz)" : ")");
    }
    return name;
}

} // namespace korvelo
