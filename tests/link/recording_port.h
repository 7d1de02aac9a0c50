#pragma once
// An in-memory port for link tests: records every write as one piece, can be told to fail
// its open, and can answer each write through a callback (scheduled on a VirtualClock).
#include "link/channel.h"
#include "link/clock.h"
#include "link/notifier.h"
#include "link/port_provider.h"
#include "link/radio_link.h"
#include "link/reply_objects.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace korvelo::testing {

struct RecordingLine {
    std::vector<std::vector<std::uint8_t>> writes; // each write call as it came
    OpenResult openResult{true, false, ""};
    PortSettings lastSettings; // as the last open asked for them
    std::vector<Notice> pendingNotices;
    // Called with the bytes of each write while the channel is open.
    std::function<void(ReplyObjects&, const std::vector<std::uint8_t>&)> onWrite;

    std::vector<std::uint8_t> allBytes() const {
        std::vector<std::uint8_t> out;
        for (const auto& w : writes)
            out.insert(out.end(), w.begin(), w.end());
        return out;
    }
};

class RecordingChannel : public Channel {
  public:
    RecordingChannel(RecordingLine& line, ReplyObjects& replies) : line_(line), replies_(replies) {}
    OpenResult open(const PortSettings& s) override {
        line_.lastSettings = s;
        open_ = line_.openResult.ok;
        return line_.openResult;
    }
    void close() override { open_ = false; }
    std::size_t write(const std::uint8_t* bytes, std::size_t count) override {
        if (!open_)
            return 0;
        line_.writes.emplace_back(bytes, bytes + count);
        if (line_.onWrite)
            line_.onWrite(replies_, line_.writes.back());
        return count;
    }
    bool isOpen() const override { return open_; }
    std::vector<Notice> takeNotices() override { return std::exchange(line_.pendingNotices, {}); }

  private:
    RecordingLine& line_;
    ReplyObjects& replies_;
    bool open_ = false;
};

class RecordingPortProvider : public PortProvider {
  public:
    explicit RecordingPortProvider(RecordingLine& line) : line_(line) {}
    std::optional<std::string> choosePort(Notifier&, bool&) override { return "/dev/test0"; }
    std::unique_ptr<Channel> makeChannel(ReplyObjects& replies) override {
        return std::make_unique<RecordingChannel>(line_, replies);
    }

  private:
    RecordingLine& line_;
};

// A link object on virtual time over a recording line, as the link tests use it.
struct RecordingLinkBench {
    ReplyObjects replies;
    VirtualClock clock;
    RecordingNotifier notifier;
    RecordingLine line;
    RecordingPortProvider ports{line};
    bool portFault = false;
    RadioLink link{LinkEnv{replies, clock, notifier, ports, portFault}};
};

} // namespace korvelo::testing
