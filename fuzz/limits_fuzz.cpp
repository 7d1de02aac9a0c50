// The limits-file loader on arbitrary files: a hand-edited file is input like any other. It must
// never crash, and whatever it accepts keeps every target within its limits.
#include "testset/limits.h"

#include <cmath>
#include <cstdlib>

using namespace korvelo::testset;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const LimitsResult r = parseLimits(std::string_view(reinterpret_cast<const char*>(data), size));
    if (r.limits.has_value() == !r.error.empty())
        std::abort();
    if (!r.limits)
        return 0;
    for (const auto& [name, l] : r.limits->limits)
        if (!(l.tolerance > 0) || l.target - l.tolerance < l.low ||
            l.target + l.tolerance > l.high || !std::isfinite(l.low) || !std::isfinite(l.high))
            std::abort();
    return 0;
}
