#include "softpot/engine/softpot_link.h"

#include "link/command_frame.h"
#include "radio/radio_state.h"
#include "radio/tuning_regions.h"
#include "softpot/engine/page_spec.h"

#include <string>

namespace korvelo {

bool SoftpotLink::open() {
    bool closeAfter = false;
    return openFor(closeAfter);
}

bool SoftpotLink::openFor(bool& closeAfter) {
    closeAfter = false;
    if (link_.isOpen())
        return true;
    if (openFailed_)
        return false;
    link_.OpenPort();
    if (!link_.isOpen()) {
        openFailed_ = true;
        return false;
    }
    closeAfter = true;
    return true;
}

bool SoftpotLink::sendTxSetup(std::span<const std::uint8_t, 9> block) {
    bool closeAfter = false;
    if (!openFor(closeAfter))
        return false;
    const std::string frame = CommandFrame::txSetup(block);
    bool acked = false;
    for (int t = 0; t < SoftpotTiming::kTxSetupTries && !acked; ++t) {
        link_.sendAndWait(frame, SoftpotTiming::kTxSetupPauseMs, SoftpotTiming::kTxSetupWaitMs);
        acked = link_.replyStatus() == kStatusAck;
    }
    if (acked)
        link_.clearReplyStatus();
    else
        link_.notifier().notify(std::string(kTxSetupFailText), Icon::Exclamation);
    if (closeAfter)
        link_.close();
    return acked;
}

LinkResult SoftpotLink::exchange(std::string_view hex, int pauseMs, int waitMs) {
    bool closeAfter = false;
    if (!openFor(closeAfter))
        return LinkResult::NoPort;
    const bool got = link_.sendAndWait(hex, pauseMs, waitMs);
    if (closeAfter)
        link_.close();
    return got ? LinkResult::Replied : LinkResult::NoReply;
}

LinkResult SoftpotLink::exchangePumped(std::string_view hex, int pauseMs, int boundMs) {
    bool closeAfter = false;
    if (!openFor(closeAfter))
        return LinkResult::NoPort;
    const bool got = link_.sendAndWaitPumped(hex, pauseMs, boundMs);
    if (!got)
        reportNoReply();
    if (closeAfter)
        link_.close();
    return got ? LinkResult::Replied : LinkResult::NoReply;
}

void SoftpotLink::reportNoReply() {
    if (noReplyReported_)
        return;
    noReplyReported_ = true;
    link_.notifier().notify(std::string(kNoReplyText), Icon::Exclamation);
}

WriteOutcome SoftpotLink::writeRegion(Session& session, const WriteRegionSpec& region) {
    bool closeAfter = false;
    if (!openFor(closeAfter))
        return WriteOutcome::NoAnswer;
    const RegionWriteResult result =
        programRegion(link_, session, region.offset, region.count, region.pauseMs, region.waitMs);
    if (closeAfter)
        link_.close();
    if (result.outcome == WriteOutcome::NoAnswer)
        reportNoReply();
    else if (!result.message.empty())
        link_.notifier().notify(result.message, Icon::Exclamation);
    return result.outcome;
}

bool SoftpotLink::post(std::string_view hex, int pauseMs) {
    if (!open())
        return false;
    link_.resetReply();
    link_.SendHex(hex);
    link_.clock().sleepMs(pauseMs);
    return true;
}

LinkResult SoftpotLink::awaitReply(int waitMs) {
    if (!link_.isOpen())
        return LinkResult::NoPort;
    return link_.waitReply(waitMs) ? LinkResult::Replied : LinkResult::NoReply;
}

LinkResult SoftpotLink::sendPowerValue(std::uint8_t value) {
    return exchangePumped(CommandFrame::oneByte(Cmd::PowerValue, value),
                          SoftpotTiming::kValuePauseMs, SoftpotTiming::kValueWaitMs);
}

LinkResult SoftpotLink::sendModulation(std::uint8_t a, std::uint8_t b) {
    const std::string frame =
        a == 0xFF ? CommandFrame::oneByte(Cmd::Modulation, b) : CommandFrame::cmxRegister(a, b);
    return exchangePumped(frame, SoftpotTiming::kValuePauseMs, SoftpotTiming::kValueWaitMs);
}

LinkResult SoftpotLink::sendSignallingValue(std::uint8_t value) {
    return exchangePumped(CommandFrame::oneByte(Cmd::ZelValue, value),
                          SoftpotTiming::kSignallingPauseMs, SoftpotTiming::kValueWaitMs);
}

LinkResult SoftpotLink::sendSquelchValue(std::uint8_t value) {
    link_.clock().sleepMs(SoftpotTiming::kSquelchLeadMs);
    return exchangePumped(CommandFrame::oneByte(Cmd::SquelchValue, value),
                          SoftpotTiming::kSquelchPauseMs, SoftpotTiming::kValueWaitMs);
}

} // namespace korvelo
