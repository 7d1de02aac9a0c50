#include "testset/instrument_link.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace korvelo::testset {

namespace {

// An answer longer than this is no answer of a test set; it is dropped rather than kept.
constexpr std::size_t kMaxLine = 4096;
// With no line end, an answer ends when no byte came for this long.
constexpr int kQuietMs = 60;

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string seconds(int ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", ms / 1000.0);
    return buf;
}

std::string lower(std::string_view s) {
    std::string l(s);
    for (char& c : l)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return l;
}

} // namespace

InstrumentLink::InstrumentLink(Transport& transport, Clock& clock, LinkTiming timing,
                               InstrumentTrace trace)
    : transport_(transport), clock_(clock), timing_(timing), trace_(std::move(trace)) {}

void InstrumentLink::useFamily(const Family& family) {
    rules_ = family.rules;
    marker_ = family.marker;
    timing_.timeoutMs = family.timing.timeoutMs;
    timing_.connectMs = family.timing.connectMs;
    timing_.busyMs = family.timing.busyMs;
    timing_.busyPollMs = std::max(1, family.timing.busyPollMs);
}

bool InstrumentLink::open(std::string& why, std::function<bool()> stop) {
    dead_ = false;
    outOfStep_ = false;
    pending_.clear();
    transport_.limitConnect(timing_.connectMs, std::move(stop));
    if (!transport_.open(why))
        return false;
    std::string_view lines = transport_.openingLines();
    while (!lines.empty()) {
        const auto nl = lines.find('\n');
        if (!send(lines.substr(0, nl))) {
            why = "cannot write to " + transport_.describe();
            return false;
        }
        lines.remove_prefix(nl == std::string_view::npos ? lines.size() : nl + 1);
    }
    return true;
}

void InstrumentLink::close() {
    std::string_view lines = transport_.closingLines();
    while (!lines.empty() && !dead_) {
        const auto nl = lines.find('\n');
        send(lines.substr(0, nl));
        lines.remove_prefix(nl == std::string_view::npos ? lines.size() : nl + 1);
    }
    transport_.close();
}

bool InstrumentLink::send(std::string_view line) {
    if (trace_)
        trace_(true, line);
    // The adapter's own lines end with a newline whatever the instrument wants.
    const bool adapter = line.substr(0, 2) == "++";
    if (!transport_.send(std::string(line) + (adapter ? std::string("\n") : rules_.termination))) {
        dead_ = true;
        return false;
    }
    return true;
}

bool InstrumentLink::fail(std::string why) {
    error_ = std::move(why);
    return false;
}

std::optional<std::string> InstrumentLink::readLine(std::int64_t deadline) {
    const char last = rules_.answerEnd.empty() ? '\0' : rules_.answerEnd.back();
    for (;;) {
        std::optional<std::string> line;
        if (last != '\0') {
            if (const auto at = pending_.find(last); at != std::string::npos) {
                line = pending_.substr(0, at);
                pending_.erase(0, at + 1);
            }
        }
        // A prompt waits for input without a line end of its own.
        if (!line && !rules_.prompt.empty() && trim(pending_) == rules_.prompt) {
            line = pending_;
            pending_.clear();
        }
        if (line) {
            while (!line->empty() && (line->back() == '\r' || line->back() == '\n'))
                line->pop_back();
            if (trace_)
                trace_(false, *line);
            return line;
        }
        const std::int64_t left = deadline - clock_.nowMs();
        if (left <= 0)
            return std::nullopt;
        const int wait = last == '\0' && !pending_.empty() ? kQuietMs : 200;
        const auto got = transport_.receive(static_cast<int>(std::min<std::int64_t>(left, wait)));
        if (!got) {
            dead_ = true;
            return std::nullopt;
        }
        if (got->empty() && last == '\0' && !pending_.empty()) {
            // No line end: the bytes so far are the answer.
            std::string all = std::move(pending_);
            pending_.clear();
            if (trace_)
                trace_(false, all);
            return all;
        }
        pending_ += *got;
        if (pending_.size() > kMaxLine)
            pending_.clear();
    }
}

void InstrumentLink::drain(int quietMs) {
    std::string late = std::move(pending_);
    pending_.clear();
    const std::int64_t until = clock_.nowMs() + timing_.timeoutMs;
    for (;;) {
        const auto got = transport_.receive(quietMs);
        if (!got) {
            dead_ = true;
            break;
        }
        if (got->empty())
            break;
        late += *got;
        if (late.size() > kMaxLine)
            late.erase(0, late.size() - kMaxLine);
        if (clock_.nowMs() >= until)
            break;
    }
    if (!late.empty() && trace_)
        trace_(false, "(late, dropped) " + std::string(trim(late)));
}

bool InstrumentLink::resync() {
    drain(100);
    if (dead_)
        return fail("the connection to " + describe() + " was lost");
    if (!send(marker_.query))
        return fail("the connection to " + describe() + " was lost");
    if (!transport_.readRequest().empty())
        send(transport_.readRequest());
    const std::int64_t deadline = clock_.nowMs() + timing_.timeoutMs;
    for (;;) {
        const auto l = readLine(deadline);
        if (!l)
            return fail(dead_ ? "the connection to " + describe() + " was lost"
                              : "out of step with " + describe() + ": no answer to \"" +
                                    marker_.query + "\" within " + seconds(timing_.timeoutMs));
        std::string_view a = trim(*l);
        if (rules_.hasStatus()) {
            const auto colon = a.find(':');
            if (colon != std::string_view::npos && trim(a.substr(0, colon)) == rules_.statusOk)
                a = trim(a.substr(colon + 1));
        }
        if (a != trim(marker_.query) && marker_.matches(a))
            break;
    }
    if (!rules_.prompt.empty())
        for (;;) {
            const auto l = readLine(deadline);
            if (!l)
                return fail("out of step with " + describe() + ": no prompt after \"" +
                            marker_.query + "\"");
            if (trim(*l) == rules_.prompt)
                break;
        }
    outOfStep_ = false;
    return true;
}

std::optional<std::vector<std::string>>
InstrumentLink::exchange(std::string_view line, bool isQuery, int lines, int busyBoundMs) {
    const std::string sent(trim(line));
    auto lost = [&] {
        fail("the connection to " + describe() + " was lost");
        return std::nullopt;
    };
    auto silent = [&](const char* what) -> std::optional<std::vector<std::string>> {
        if (dead_)
            return lost();
        outOfStep_ = true;
        fail(std::string(what) + " \"" + sent + "\" from " + describe() + " within " +
             seconds(timing_.timeoutMs));
        return std::nullopt;
    };
    if (dead_)
        return lost();
    if (outOfStep_ && !resync())
        return std::nullopt;
    // Anything waiting now answers nothing we asked.
    drain(0);
    const std::int64_t start = clock_.nowMs();
    for (;;) {
        if (!send(line))
            return lost();
        if (isQuery && !transport_.readRequest().empty() && !send(transport_.readRequest()))
            return lost();
        const std::int64_t deadline = clock_.nowMs() + timing_.timeoutMs;
        if (rules_.echo) {
            for (;;) {
                const auto l = readLine(deadline);
                if (!l)
                    return silent("no echo of");
                if (trim(*l) == sent)
                    break;
                // Before the echo: an answer to something earlier.
            }
        }
        std::vector<std::string> got;
        const bool status = rules_.hasStatus() && (isQuery || rules_.statusOnCommands);
        if (!rules_.prompt.empty()) {
            for (;;) {
                const auto l = readLine(deadline);
                if (!l)
                    return silent("no prompt after");
                if (trim(*l) == rules_.prompt)
                    break;
                if (!trim(*l).empty())
                    got.push_back(*l);
            }
        } else if (isQuery || status) {
            const std::size_t want = isQuery ? static_cast<std::size_t>(lines) : 1;
            while (got.size() < want) {
                const auto l = readLine(deadline);
                if (!l)
                    return silent("no answer to");
                if (!trim(*l).empty())
                    got.push_back(*l);
            }
        }
        if (status) {
            if (got.empty())
                return silent("no status for");
            const std::string_view first = trim(got.front());
            const auto colon = first.find(':');
            const std::string code(trim(first.substr(0, colon)));
            const bool numeric = colon != std::string_view::npos && !code.empty() &&
                                 std::all_of(code.begin(), code.end(), [](char c) {
                                     return std::isdigit(static_cast<unsigned char>(c));
                                 });
            if (!numeric) {
                fail(describe() + " answered \"" + std::string(first) + "\" to \"" + sent +
                     "\" without a status");
                return std::nullopt;
            }
            if (code == rules_.statusOk) {
                got.front() = std::string(trim(first.substr(colon + 1)));
            } else {
                const std::string text = lower(first.substr(colon + 1));
                bool busy = std::find(rules_.busyCodes.begin(), rules_.busyCodes.end(), code) !=
                            rules_.busyCodes.end();
                for (const std::string& w : rules_.busyWords)
                    busy = busy || text.find(lower(w)) != std::string::npos;
                if (!busy) {
                    fail(describe() + " answered \"" + std::string(first) + "\" to \"" + sent +
                         "\"");
                    return std::nullopt;
                }
                // Busy: the exchange was complete, so asking again is in step.
                if (clock_.nowMs() - start + timing_.busyPollMs > busyBoundMs) {
                    fail(describe() + " stayed busy for " + seconds(busyBoundMs) + " (\"" +
                         std::string(first) + "\" to \"" + sent + "\")");
                    return std::nullopt;
                }
                clock_.sleepMs(timing_.busyPollMs);
                continue;
            }
        }
        if (!isQuery) {
            // A set command answered with text before the prompt: the instrument's complaint.
            if (!rules_.prompt.empty() && !got.empty()) {
                fail(describe() + " answered \"" + std::string(trim(got.front())) + "\" to \"" +
                     sent + "\"");
                return std::nullopt;
            }
            return got;
        }
        if (got.size() < static_cast<std::size_t>(lines)) {
            fail(describe() + " gave " + std::to_string(got.size()) + " of " +
                 std::to_string(lines) + " answer lines to \"" + sent + "\"");
            return std::nullopt;
        }
        return got;
    }
}

bool InstrumentLink::command(std::string_view line) {
    return exchange(line, false, 0, timing_.busyMs).has_value();
}

std::optional<std::vector<std::string>> InstrumentLink::query(std::string_view line, int lines,
                                                              int busyBoundMs) {
    return exchange(line, true, std::max(1, lines),
                    busyBoundMs > 0 ? busyBoundMs : timing_.timeoutMs);
}

std::vector<std::string> InstrumentLink::listen(std::string_view line) {
    std::vector<std::string> lines;
    if (dead_ || !send(line))
        return lines;
    if (!transport_.readRequest().empty())
        send(transport_.readRequest());
    const std::int64_t deadline = clock_.nowMs() + timing_.timeoutMs;
    std::string bytes;
    // Quiet for this long after the first byte: the answer is complete.
    constexpr int kListenQuietMs = 300;
    while (clock_.nowMs() < deadline) {
        const int wait =
            bytes.empty() ? static_cast<int>(std::min<std::int64_t>(200, deadline - clock_.nowMs()))
                          : kListenQuietMs;
        const auto got = transport_.receive(std::max(1, wait));
        if (!got) {
            dead_ = true;
            break;
        }
        if (got->empty() && !bytes.empty())
            break;
        bytes += *got;
        if (bytes.size() > kMaxLine)
            break;
    }
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        const std::string_view l = trim(rest.substr(0, nl));
        if (!l.empty()) {
            lines.emplace_back(l);
            if (trace_)
                trace_(false, l);
        }
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
    }
    // Silence leaves a late answer possible: the next exchange gets back in step first.
    outOfStep_ = lines.empty();
    return lines;
}

std::optional<std::string> InstrumentLink::queryLine(std::string_view line) {
    auto got = query(line, 1);
    if (!got)
        return std::nullopt;
    return got->front();
}

} // namespace korvelo::testset
