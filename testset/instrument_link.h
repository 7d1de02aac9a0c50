#pragma once
// Lines to and from a test set over a Transport, each answer matched to its query: an echo is
// consumed, an answer read up to the family's prompt, a status prefix stripped and checked
// (an error fails with the line and the answer, a busy instrument is polled within a bound),
// the N lines of a multi-line answer taken together. Nothing is ever sent twice blindly: after
// a time-out the link is out of step, and the next exchange first drains what arrives and asks
// the family's marker query until its recognisable answer comes, or fails. Every wait is
// bounded through the Clock; every line both ways goes to the trace.
#include "link/clock.h"
#include "testset/dialect.h"
#include "testset/transport.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo::testset {

struct LinkTiming {
    int timeoutMs = 2000;
    int connectMs = 5000;
    int busyMs = 8000;
    int busyPollMs = 250;
};

// sent: true for a line to the instrument. Lines carry no termination.
using InstrumentTrace = std::function<void(bool sent, std::string_view line)>;

class InstrumentLink {
  public:
    InstrumentLink(Transport& transport, Clock& clock, LinkTiming timing = {},
                   InstrumentTrace trace = {});

    // Connects within the connect time-out; stop (polled) ends the attempt at once.
    bool open(std::string& why, std::function<bool()> stop = {});
    // The adapter's closing lines, then the connection closed.
    void close();
    // The family's line rules and timing from now on.
    void useFamily(const Family& family);

    // A set command; its acknowledgement (echo, prompt, status) taken when the family gives one.
    bool command(std::string_view line);
    // The answer lines of a query (lines of them), matched to it. A busy instrument is asked
    // again for at most busyBoundMs (0: one time-out, so that a reading taken while the radio
    // transmits ends within one time-out).
    std::optional<std::vector<std::string>> query(std::string_view line, int lines = 1,
                                                  int busyBoundMs = 0);
    // Every line that comes back to a line sent until the instrument falls quiet (or the
    // time-out passes): for finding out who answers before its rules are known.
    std::vector<std::string> listen(std::string_view line);
    // One line of answer (the first of one).
    std::optional<std::string> queryLine(std::string_view line);

    // Why the last exchange failed: "no answer to "MEAS:RFR:POW?" within 2.0 s".
    const std::string& error() const { return error_; }
    bool dead() const { return dead_; }
    bool outOfStep() const { return outOfStep_; }
    const LinkTiming& timing() const { return timing_; }
    std::string describe() const { return transport_.describe(); }
    Clock& clock() { return clock_; }

  private:
    std::optional<std::vector<std::string>> exchange(std::string_view line, bool isQuery, int lines,
                                                     int busyBoundMs);
    bool send(std::string_view line);
    // The next line within the deadline; nothing on time-out or a lost connection.
    std::optional<std::string> readLine(std::int64_t deadline);
    // Throws away whatever is waiting (a late answer), tracing it.
    void drain(int quietMs);
    bool resync();
    bool fail(std::string why);

    Transport& transport_;
    Clock& clock_;
    LinkTiming timing_;
    InstrumentTrace trace_;
    LineRules rules_;
    IdentityProbe marker_;
    std::string pending_; // bytes after the last line taken
    std::string error_;
    bool dead_ = false;
    bool outOfStep_ = false;
};

} // namespace korvelo::testset
