#include "softpot/softpot_pages.h"

#include "softpot/rxsquelch/rx_squelch_pages.h"
#include "softpot/txmodulation/tx_modulation_pages.h"
#include "softpot/txpower/tx_power_page.h"
#include "softpot/txsubaudio/tx_sub_audio_pages.h"
#include "softpot/zel/zel_signalling_page.h"

#include <array>

namespace korvelo {

std::span<const PageSpec* const> softpotPages() {
    static const std::array<const PageSpec*, 14> pages = {
        &txPowerPage(),
        &txModulationPage(0, true),
        &txModulationPage(1, true),
        &txModulationPage(2, true),
        &txModulationPage(0, false),
        &txModulationPage(1, false),
        &txModulationPage(2, false),
        &rxSquelchPage(0),
        &rxSquelchPage(1),
        &rxSquelchPage(2),
        &zelSignallingPage(),
        &txSubAudioPage(0),
        &txSubAudioPage(1),
        &txSubAudioPage(2),
    };
    return pages;
}

std::span<const TabHostSpec* const> softpotTabHosts() {
    static const std::array<const TabHostSpec*, 4> hosts = {
        &txModulationHost(true), &txModulationHost(false), &rxSquelchHost(), &txSubAudioHost()};
    return hosts;
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
