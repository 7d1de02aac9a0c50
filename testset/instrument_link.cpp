#include "testset/instrument_link.h"

#include <algorithm>

namespace korvelo::testset {

namespace {
// An answer longer than this is no answer of a test set; it is dropped rather than kept.
constexpr std::size_t kMaxLine = 4096;
} // namespace

InstrumentLink::InstrumentLink(Transport& transport, Clock& clock, LinkTiming timing,
                               InstrumentTrace trace)
    : transport_(transport), clock_(clock), timing_(std::move(timing)), trace_(std::move(trace)) {}

bool InstrumentLink::open(std::string& why) {
    dead_ = false;
    pending_.clear();
    if (!transport_.open(why))
        return false;
    std::string_view lines = transport_.openingLines();
    while (!lines.empty()) {
        const auto nl = lines.find('\n');
        if (!write(lines.substr(0, nl))) {
            why = "cannot write to " + transport_.describe();
            return false;
        }
        lines.remove_prefix(nl == std::string_view::npos ? lines.size() : nl + 1);
    }
    return true;
}

bool InstrumentLink::write(std::string_view line) {
    if (trace_)
        trace_(true, line);
    if (!transport_.send(std::string(line) + timing_.termination)) {
        dead_ = true;
        return false;
    }
    return true;
}

std::optional<std::string> InstrumentLink::readLine() {
    const std::string& term = timing_.termination;
    // Answers end with the termination; a lone "\n" is taken for "\r\n" and the other way.
    const char last = term.empty() ? '\n' : term.back();
    const std::int64_t deadline = clock_.nowMs() + timing_.timeoutMs;
    for (;;) {
        const auto at = pending_.find(last);
        if (at != std::string::npos) {
            std::string line = pending_.substr(0, at);
            pending_.erase(0, at + 1);
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
                line.pop_back();
            if (trace_)
                trace_(false, line);
            return line;
        }
        const std::int64_t left = deadline - clock_.nowMs();
        if (left <= 0)
            return std::nullopt;
        const auto got = transport_.receive(static_cast<int>(std::min<std::int64_t>(left, 1000)));
        if (!got) {
            dead_ = true;
            return std::nullopt;
        }
        pending_ += *got;
        if (pending_.size() > kMaxLine)
            pending_.clear();
    }
}

std::optional<std::string> InstrumentLink::query(std::string_view line) {
    for (int attempt = 0; attempt <= timing_.retries && !dead_; ++attempt) {
        // A late answer to an earlier try would be taken for this one's.
        pending_.clear();
        if (!write(line))
            return std::nullopt;
        if (auto answer = readLine())
            return answer;
    }
    return std::nullopt;
}

} // namespace korvelo::testset
