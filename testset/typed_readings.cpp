#include "testset/typed_readings.h"

#include "testset/limits.h"
#include "testset/procedures.h"

namespace korvelo::testset {

std::optional<ReadingLimit> typedReadingLimit(const Session& session, const PageSpec& page,
                                              const RowSpec& row) {
    const std::uint8_t* usable = page.usablePoints.find(session.radioType);
    if (usable && (*usable >> (row.point - 1) & 1u) == 0)
        return std::nullopt;
    const auto labels = frequencyLabels(page.labels, bandGroup(session.radioType, page.type1));
    const auto point = static_cast<std::size_t>(row.point - 1);
    if (point >= labels.size() || frequencyTextToHz(labels[point]) <= 0)
        return std::nullopt; // no frequency to measure at
    for (const Procedure& p : procedures()) {
        int tab = -1;
        std::string_view tabName;
        if (p.page && p.page(session) == &page) {
            tab = 0;
        } else if (const TabHostSpec* host = p.host ? p.host(session) : nullptr) {
            for (int t = 0; t < TabHostSpec::kTabs; ++t)
                if (host->pages[static_cast<std::size_t>(t)] == &page) {
                    tab = t;
                    tabName = host->tabs[static_cast<std::size_t>(t)];
                }
        }
        if (tab < 0)
            continue;
        const std::optional<BandLimits> limits = shippedLimits(session.radioType);
        const Limit* l = limits ? limits->find(p.limitName(tab, row)) : nullptr;
        if (!l)
            return std::nullopt;
        return ReadingLimit{readingName(page, row, session.radioType, tabName),
                            quantityName(p.quantity),
                            l->unit,
                            l->target,
                            l->low,
                            l->high};
    }
    return std::nullopt;
}

} // namespace korvelo::testset
