#include "sim/sim_port.h"

#include "link/reply_objects.h"

#include <span>
#include <utility>

namespace korvelo::sim {

namespace {
// The line as the scheduled deliveries see it: they may run after the channel is closed or
// gone, and then the bytes are lost, as on a closed port.
struct Line {
    bool open = false;
    std::uint64_t generation = 0;
};

bool radioUnderstands(const PortSettings& s) {
    return s.baudRate == 19200 && s.dataBits == 8 && s.stopBits == 2 && s.parity == 0;
}
} // namespace

class SimPortProvider::SimChannel : public Channel {
  public:
    SimChannel(SimPortProvider& owner, ReplyObjects& replies)
        : owner_(owner), replies_(replies), line_(std::make_shared<Line>()) {}
    ~SimChannel() override { close(); }

    OpenResult open(const PortSettings& settings) override {
        if (line_->open)
            return {false, false, "already open"};
        if (owner_.failOpen)
            return {false, true, "busy"};
        if (!replies_.claimReceiver(this))
            return {false, false, kLinkHeldText};
        settings_ = settings;
        owner_.lastSettings_ = settings;
        ++owner_.openChannels_;
        ++owner_.opens_;
        ++line_->generation;
        line_->open = true;
        return {true, false, {}};
    }

    void close() override {
        if (!line_->open)
            return;
        line_->open = false;
        --owner_.openChannels_;
        replies_.releaseReceiver(this);
    }

    std::size_t write(const std::uint8_t* bytes, std::size_t count) override {
        if (!line_->open)
            return 0;
        // At the wrong line settings the radio sees only framing errors.
        if (!radioUnderstands(settings_))
            return count;
        RadioModel& radio = owner_.radio_;
        const auto replies = radio.receive(std::span(bytes, count), owner_.clock_.nowMs());
        // The radio answers one frame at a time: a later answer queues behind an earlier one.
        int at = 0;
        for (const Reply& r : replies)
            at = deliver(r, at, radio.faults.pace);
        return count;
    }

    bool isOpen() const override { return line_->open; }

  private:
    // Schedules one answer starting no earlier than startMs; returns when it ends.
    int deliver(const Reply& r, int startMs, bool pace) {
        startMs += r.delayMs;
        const std::size_t split = r.splitAt > 0 && r.splitAt < r.bytes.size() ? r.splitAt : 0;
        if (split == 0)
            return schedulePiece({r.bytes.begin(), r.bytes.end()}, startMs, pace);
        const int firstEnd =
            schedulePiece({r.bytes.begin(), r.bytes.begin() + split}, startMs, pace);
        return schedulePiece({r.bytes.begin() + split, r.bytes.end()}, firstEnd + r.gapMs, pace);
    }

    int schedulePiece(std::vector<std::uint8_t> piece, int startMs, bool pace) {
        const int endMs = startMs + (pace ? lineTimeMs(piece.size()) : 0);
        std::weak_ptr<Line> weak = line_;
        const std::uint64_t generation = line_->generation;
        ReplyObjects* replies = &replies_;
        owner_.clock_.schedule(endMs, [weak, generation, replies, piece = std::move(piece)] {
            auto line = weak.lock();
            if (!line || !line->open || line->generation != generation)
                return;
            replies->feed(piece.data(), piece.size());
            replies->endOfReceiveEvent();
        });
        return endMs;
    }

    SimPortProvider& owner_;
    ReplyObjects& replies_;
    std::shared_ptr<Line> line_;
    PortSettings settings_;
};

std::optional<std::string> SimPortProvider::choosePort(Notifier&, bool&) {
    return portName;
}

std::unique_ptr<Channel> SimPortProvider::makeChannel(ReplyObjects& replies) {
    return std::make_unique<SimChannel>(*this, replies);
}

} // namespace korvelo::sim
