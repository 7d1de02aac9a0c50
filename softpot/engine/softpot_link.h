#pragma once
// The link operations of the alignment pages, on one transient link object. Each operation
// opens the port if it is not open yet (and then closes it again when it is done), resets the
// reply event, sends its frame, pauses and waits with the bounds below. A link tries to open
// its port once: when that fails the user has already been told, and the operations that
// follow send nothing and wait for nothing, so one pulled cable gives one message.
#include "link/radio_link.h"
#include "radio/image_record.h"
#include "radio/radio_state.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace korvelo {

// Refused: a region write answered with something other than ACK (only writeRegion says so).
enum class LinkResult { Replied, NoReply, NoPort, Refused };

// Texts of the link operations' messages, as the radio tool has always shown them.
inline constexpr std::string_view kTxSetupFailText = "Radio Communication Error!!";
inline constexpr std::string_view kNoReplyText = "Radio Coummunication Error";

struct SoftpotTiming {
    static constexpr int kTxSetupPauseMs = 130;
    static constexpr int kTxSetupWaitMs = 2500;
    static constexpr int kTxSetupTries = 5;
    static constexpr int kValuePauseMs = 100;
    static constexpr int kValueWaitMs = kUnboundedWaitBoundMs; // pumped; ends at 3,000 ms
    static constexpr int kSquelchLeadMs = 50;
    static constexpr int kSquelchPauseMs = 80;
    static constexpr int kSignallingPauseMs = 80;
};

struct WriteRegionSpec;

class SoftpotLink {
  public:
    explicit SoftpotLink(const AppEnv& env) : link_(env.linkEnv()) {}

    // Opens the port for a sequence of operations; false when it cannot be opened.
    bool open();
    void close() { link_.close(); }

    // Command 0x42 with the set-up block: up to five tries, each waiting for an ACK; after the
    // fifth failure "Radio Communication Error!!". True when the radio acknowledged.
    bool sendTxSetup(std::span<const std::uint8_t, 9> block);
    // Command 0x44; the wait keeps the window alive and ends at 3,000 ms with a message.
    LinkResult sendPowerValue(std::uint8_t value);
    // Command 0x43 with b when a is 0xFF, else command 0xB3 with a and b; waits as above.
    LinkResult sendModulation(std::uint8_t a, std::uint8_t b);
    // Command 0x4C, the live signalling deviation; waits as above.
    LinkResult sendSignallingValue(std::uint8_t value);
    // Command 0x45 after a 50 ms lead, then 80 ms; waits as above.
    LinkResult sendSquelchValue(std::uint8_t value);
    // The one way a page's values reach the radio's memory: the region's bytes of the image at
    // the base the memory size gives, the region's pause and bounded wait, an ACK required,
    // then the read-back the session's options ask for, by programRegion (image_record.h),
    // which records what the radio took. No reply is reported as "Radio Coummunication
    // Error", a read-back that differs (or is not answered) with what it found. Without a
    // port: NoAnswer, told already when the port failed.
    WriteOutcome writeRegion(Session& session, const WriteRegionSpec& region);
    // Any other frame: send, pause, one bounded wait. No message; the caller decides.
    LinkResult exchange(std::string_view hex, int pauseMs, int waitMs);
    // A frame whose wait keeps the window alive, with the message on time-out.
    LinkResult exchangePumped(std::string_view hex, int pauseMs, int boundMs);
    // The two halves of an exchange, for callers that change state between sending and
    // waiting. post leaves the port open; false when there is no port.
    bool post(std::string_view hex, int pauseMs);
    LinkResult awaitReply(int waitMs);

    RadioLink& link() { return link_; }
    Notifier& notifier() { return link_.notifier(); }
    // "Radio Coummunication Error" for a reply that did not come: once per link object, that is
    // once per operation, however many of its waits ran out.
    void reportNoReply();

  private:
    // Opens for one operation; sets closeAfter when the operation must close it again.
    bool openFor(bool& closeAfter);

    RadioLink link_;
    bool openFailed_ = false;
    bool noReplyReported_ = false;
};

} // namespace korvelo
