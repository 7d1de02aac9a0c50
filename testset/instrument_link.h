#pragma once
// Lines to and from a test set over a Transport: each line ends with the dialect's termination;
// a query waits up to its time-out for the whole answer line and is sent again up to `retries`
// times; every wait is bounded through the Clock. Every line both ways goes to the trace.
#include "link/clock.h"
#include "testset/transport.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace korvelo::testset {

struct LinkTiming {
    std::string termination = "\n";
    int timeoutMs = 2000;
    int retries = 2;
    // After retuning the analyser or the generator, before the next reading.
    int settleMs = 50;
};

// sent: true for a line to the instrument. Lines carry no termination.
using InstrumentTrace = std::function<void(bool sent, std::string_view line)>;

class InstrumentLink {
  public:
    InstrumentLink(Transport& transport, Clock& clock, LinkTiming timing,
                   InstrumentTrace trace = {});

    bool open(std::string& why);
    void close() { transport_.close(); }
    bool write(std::string_view line);
    // The answer line; nothing when none came within the time-out after every try, or the
    // connection is gone (dead() then tells which).
    std::optional<std::string> query(std::string_view line);
    void settle() { clock_.sleepMs(timing_.settleMs); }
    bool dead() const { return dead_; }
    const LinkTiming& timing() const { return timing_; }
    void setTiming(const LinkTiming& t) { timing_ = t; }
    std::string describe() const { return transport_.describe(); }

  private:
    std::optional<std::string> readLine();

    Transport& transport_;
    Clock& clock_;
    LinkTiming timing_;
    InstrumentTrace trace_;
    std::string pending_; // bytes after the last line taken
    bool dead_ = false;
};

} // namespace korvelo::testset
