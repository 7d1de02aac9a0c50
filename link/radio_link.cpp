#include "link/radio_link.h"

#include "link/command_frame.h"
#include "link/stop_request.h"

#include <algorithm>

namespace korvelo {

RadioLink::RadioLink(LinkEnv env) : env_(env) {}

RadioLink::~RadioLink() {
    close();
}

void RadioLink::OpenPort() {
    close();
    // One link at a time: a second one would share the port and the reply objects with an
    // operation that is still waiting for its answer. The port itself is fine.
    if (env_.replies.receiverClaimed()) {
        env_.notifier.notify(std::string("Fail Port open\n") + kLinkHeldText, Icon::Exclamation);
        return;
    }
    const auto device = env_.ports.choosePort(env_.notifier, env_.portFault);
    if (!device)
        return;
    auto channel = env_.ports.makeChannel(env_.replies);
    PortSettings settings;
    settings.portName = *device;
    const OpenResult result = channel->open(settings);
    if (!result.ok) {
        if (result.portOpenFailed) {
            std::string text = "Fail Port open";
            if (!result.reason.empty())
                text += "\n" + result.reason;
            env_.notifier.notify(text, Icon::Exclamation);
            env_.portFault = true;
            if (env_.portFaultReason)
                *env_.portFaultReason = result.reason;
        }
        return;
    }
    channel_ = std::move(channel);
    env_.ports.opened(*device);
    // The port works now, whatever an earlier action or the start-up search concluded.
    env_.portFault = false;
    if (env_.portFaultReason)
        env_.portFaultReason->clear();
}

bool RadioLink::isOpen() const {
    return channel_ && channel_->isOpen();
}

void RadioLink::close() {
    if (announced_) {
        announced_ = false;
        env_.notifier.status({});
    }
    if (!channel_)
        return;
    channel_->close();
    deliverChannelNotices();
    channel_.reset();
}

void RadioLink::waitingFor(std::string_view what, int attempt, int attempts) {
    std::string text = "Waiting for the radio: " + std::string(what);
    if (attempts > 0)
        text += ", try " + std::to_string(attempt) + " of " + std::to_string(attempts);
    announced_ = true;
    env_.notifier.status(text);
}

void RadioLink::SendHex(std::string_view text) {
    const std::vector<std::uint8_t> bytes = hexToBytes(text);
    // Once the program is stopping, only what leaves the radio safe goes out.
    withheld_ = stopSignal() != 0 && !isSafetyFrame(bytes);
    if (!isOpen() || withheld_)
        return;
    if (FrameTrace* trace = env_.replies.trace())
        trace->sent(bytes);
    constexpr std::size_t kPiece = 8;
    std::size_t at = 0;
    while (bytes.size() - at >= kPiece) {
        channel_->write(bytes.data() + at, kPiece);
        at += kPiece;
    }
    if (at < bytes.size())
        channel_->write(bytes.data() + at, bytes.size() - at);
}

int RadioLink::pumpMessages() {
    return env_.clock.pumpMessages() ? 1 : 0;
}

void RadioLink::resetReply() {
    env_.replies.resetForSend();
}

bool RadioLink::waitReply(int timeoutMs) {
    if (withheld_)
        return false; // nothing was sent, so nothing will come
    const bool got = env_.clock.wait(env_.replies.replyEvent, timeoutMs);
    deliverChannelNotices(!got);
    return got;
}

bool RadioLink::waitReplyPumped(int boundMs) {
    if (withheld_)
        return false;
    constexpr int kSliceMs = 3000;
    for (int left = boundMs; left > 0;) {
        const int slice = std::min(kSliceMs, left);
        if (env_.clock.wait(env_.replies.replyEvent, slice)) {
            deliverChannelNotices();
            return true;
        }
        left -= slice;
        deliverChannelNotices();
        pumpMessages();
        if (left > 0)
            env_.clock.sleepMs(1);
    }
    deliverChannelNotices(true);
    return false;
}

bool RadioLink::sendAndWait(std::string_view hex, int pauseMs, int timeoutMs) {
    resetReply();
    SendHex(hex);
    if (withheld_)
        return false;
    env_.clock.sleepMs(pauseMs);
    return waitReply(timeoutMs);
}

bool RadioLink::sendAndWaitPumped(std::string_view hex, int pauseMs, int boundMs) {
    resetReply();
    SendHex(hex);
    if (withheld_)
        return false;
    env_.clock.sleepMs(pauseMs);
    return waitReplyPumped(boundMs);
}

void RadioLink::deliverChannelNotices(bool waitFailed) {
    if (!channel_)
        return;
    for (const Notice& n : channel_->takeNotices()) {
        // Dropped bytes matter only to a wait they may have cost its answer: a flood that the
        // exchange came through is no failure to report.
        if (n.text == "buff full")
            overflowed_ = true;
        else
            env_.notifier.notify(n.text, n.icon);
    }
    if (waitFailed && overflowed_) {
        overflowed_ = false;
        env_.notifier.notify("buff full\nThe radio's bytes came faster than they could be "
                             "taken, and some were dropped.",
                             Icon::None);
    }
}

} // namespace korvelo
