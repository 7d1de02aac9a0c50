#include "testset/procedures.h"

#include "softpot/rxsquelch/rx_squelch_pages.h"
#include "softpot/softpot_pages.h"
#include "softpot/txmodulation/tx_modulation_pages.h"
#include "softpot/txpower/tx_power_page.h"
#include "softpot/txsubaudio/tx_sub_audio_pages.h"
#include "softpot/zel/zel_signalling_page.h"

#include <optional>

namespace korvelo::testset {

namespace {

constexpr std::string_view kSpacings[] = {"12.5", "25", "20"};

// The row group's word in a limit name: "High Power" -> "high", "Tight Squelch" -> "tight".
std::string groupWord(std::string_view group) {
    std::string w(group.substr(0, group.find(' ')));
    for (char& c : w)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return w;
}

const std::vector<Procedure>& table() {
    static const std::vector<Procedure> t = {
        {"power",
         Quantity::Power,
         [](const Session&) { return &txPowerPage(); },
         nullptr,
         "power",
         true,
         false,
         {{"power.high", 0.045}, {"power.low", 0.03}}},
        {"deviation",
         Quantity::Deviation,
         nullptr,
         [](const Session& s) { return &txModulationHost(s.flags.isAk2347Radio); },
         "deviation",
         false,
         true,
         {{"deviation", 0.08}}},
        {"subaudio",
         Quantity::Deviation,
         nullptr,
         [](const Session& s) -> const TabHostSpec* {
             return s.flags.isAk2347Radio ? nullptr : &txSubAudioHost();
         },
         "subaudio",
         false,
         true,
         {{"subaudio", 0.01}}},
        {"zel",
         Quantity::Deviation,
         [](const Session&) { return &zelSignallingPage(); },
         nullptr,
         "zel",
         false,
         false,
         {{"zel", 0.04}}},
        {"squelch",
         Quantity::SquelchOpening,
         nullptr,
         [](const Session&) { return &rxSquelchHost(); },
         "squelch",
         true,
         true,
         {{"squelch", 0.5}}},
    };
    return t;
}

} // namespace

std::string Procedure::limitName(int tab, const RowSpec& row) const {
    std::string n(limitBase);
    if (byGroup)
        n += "." + groupWord(row.group);
    if (bySpacing)
        n += "." + std::string(kSpacings[tab]);
    return n;
}

double Procedure::slopeFor(std::string_view limit) const {
    for (const auto& [name, slope] : slopes)
        if (limit.substr(0, name.size()) == name)
            return slope;
    return slopes.front().second;
}

const char* quantityName(Quantity q) {
    switch (q) {
    case Quantity::Power:
        return "Power";
    case Quantity::Deviation:
        return "Deviation";
    case Quantity::SquelchOpening:
        break;
    }
    return "Squelch opening";
}

std::string readingName(const PageSpec& page, const RowSpec& row, std::uint8_t radioType,
                        std::string_view tabName) {
    std::string name = rowName(page, row, radioType);
    if (!tabName.empty() && row.group != tabName)
        name = std::string(tabName) + " " + name;
    return name;
}

std::span<const Procedure> procedures() {
    return table();
}

const Procedure* procedureByName(std::string_view name) {
    for (const Procedure& p : table())
        if (p.name == name)
            return &p;
    return nullptr;
}

std::optional<std::vector<const Procedure*>> parseProcedureList(std::string_view list,
                                                                std::string& why) {
    std::vector<const Procedure*> out;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        const Procedure* p = procedureByName(name);
        if (!p) {
            why = "unknown procedure \"" + std::string(name) +
                  "\" (power, deviation, subaudio, zel, squelch)";
            return std::nullopt;
        }
        out.push_back(p);
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    }
    if (out.empty()) {
        why = "no procedure named";
        return std::nullopt;
    }
    return out;
}

} // namespace korvelo::testset
