// Test-set answers as they come off a line: every family's reply parser on arbitrary text, and
// the line link splitting a byte stream into answers. Nothing may crash, and a reading is
// always a finite number.
#include "testset/dialect.h"
#include "testset/instrument_link.h"

#include <cmath>
#include <cstdlib>
#include <string>

using namespace korvelo;
using namespace korvelo::testset;

namespace {
// Hands the fuzzer's bytes out in pieces of the sizes its first bytes give.
struct BytesTransport : Transport {
    std::string data;
    std::size_t at = 0;
    bool open(std::string&) override { return true; }
    void close() override {}
    bool send(std::string_view) override { return true; }
    std::optional<std::string> receive(int) override {
        if (at >= data.size())
            return std::nullopt;
        const std::size_t n = 1 + static_cast<unsigned char>(data[at]) % 64;
        std::string piece = data.substr(at, n);
        at += n;
        return piece;
    }
    std::string describe() const override { return "fuzz"; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const Family& d : families())
        for (std::size_t op = 0; op < kOpCount; ++op)
            if (const auto v = parseReading(d, static_cast<Op>(op), text); v && !std::isfinite(*v))
                std::abort();

    VirtualClock clock;
    // Each family's line rules (echo, prompt, status, several lines) on the same bytes.
    for (const Family& f : families()) {
        BytesTransport t;
        t.data = std::string(text);
        InstrumentLink link(t, clock, LinkTiming{100, 100, 300, 50});
        link.useFamily(f);
        for (int i = 0; i < 16 && !link.dead(); ++i) {
            const auto lines = link.query("MEAS:POW?", 1 + i % 4);
            if (lines)
                for (const std::string& l : *lines)
                    if (l.find('\n') != std::string::npos)
                        std::abort();
        }
    }
    return 0;
}
