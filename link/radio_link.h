#pragma once
// The link object: one transient object per radio operation. It opens the chosen port, sends
// commands written as hex text, and waits for the reply event. Constructing it opens nothing.
#include "channel.h"
#include "clock.h"
#include "notifier.h"
#include "port_provider.h"
#include "reply_objects.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace korvelo {

// What every link object needs from the program (or from a test).
struct LinkEnv {
    ReplyObjects& replies;
    Clock& clock;
    Notifier& notifier;
    PortProvider& ports;
    bool& portFault; // the radio state flag; set when the port cannot be opened
    // The system's reason of the last failed open, for the port-fault gate's second line.
    std::string* portFaultReason = nullptr;
};

// The bound given to the waits that the catalogue leaves without one.
inline constexpr int kUnboundedWaitBoundMs = 3000;

class RadioLink {
  public:
    explicit RadioLink(LinkEnv env);
    ~RadioLink(); // closes the channel if an operation left it open
    RadioLink(const RadioLink&) = delete;
    RadioLink& operator=(const RadioLink&) = delete;

    // Chooses the port and opens the channel at 19,200 bit/s, 8 data bits, no parity, two
    // stop bits. On failure the user has been told and portFault is set (or a rarer failure
    // left the channel closed without a message); check isOpen(). A port that opens clears
    // portFault.
    void OpenPort();
    bool isOpen() const;
    void close();

    // Converts the hex text and writes it in pieces of 8 bytes, then the rest. Once the program
    // is stopping (stop_request.h) only safety frames are written; the waits after a frame
    // that was withheld end at once without an answer.
    void SendHex(std::string_view text);
    // Keeps the user interface alive during long waits; 0 when the application is quitting.
    int pumpMessages();

    // Resets replyEvent and replyStatus (before every send).
    void resetReply();
    // The three forms of wait, all bounded: one wait of timeoutMs; waits in 3,000 ms slices
    // with pumpMessages between them, up to boundMs in all.
    bool waitReply(int timeoutMs);
    bool waitReplyPumped(int boundMs = kUnboundedWaitBoundMs);

    // resetReply, SendHex, sleep pauseMs, waitReply(timeoutMs): true when the event came.
    bool sendAndWait(std::string_view hex, int pauseMs, int timeoutMs);
    // The same with the pumped wait.
    bool sendAndWaitPumped(std::string_view hex, int pauseMs, int boundMs = kUnboundedWaitBoundMs);

    // Tells the user what the next wait is for: "Waiting for the radio: <what>, try n of m"
    // (attempts 0: a single wait, said without a try). Cleared when the link closes.
    void waitingFor(std::string_view what, int attempt = 0, int attempts = 0);

    std::uint8_t replyStatus() const { return env_.replies.replyStatus.load(); }
    void clearReplyStatus() { env_.replies.replyStatus.store(kStatusNone); }
    std::uint8_t replyData(std::size_t i) const { return env_.replies.replyData[i]; }
    // All of replyData at once, so that no later reply can mix into what is read.
    std::array<std::uint8_t, ReplyData::kSize> replyDataCopy() const {
        return env_.replies.replyData.copy();
    }

    Clock& clock() { return env_.clock; }
    Notifier& notifier() { return env_.notifier; }
    const LinkEnv& env() const { return env_; }

  private:
    // The receive thread's messages; "buff full" only after a wait that failed (waitFailed).
    void deliverChannelNotices(bool waitFailed = false);

    LinkEnv env_;
    std::unique_ptr<Channel> channel_;
    bool announced_ = false;
    bool withheld_ = false;   // the last frame was not sent: the program is stopping
    bool overflowed_ = false; // bytes were dropped since the last failed wait told of it
};

} // namespace korvelo
