#include "link/comm_channel.h"

#include <system_error>
#include <utility>

namespace korvelo {

OpenResult CommChannel::open(const PortSettings& settings) {
    close();
    portName_ = settings.portName;
    // Another channel of this program still delivers into the reply objects: its receive
    // thread may be feeding the assembler right now, so this one must not start.
    if (!replies_.claimReceiver(this))
        return {false, false, kLinkHeldText};
    OpenResult result = device_.open(settings);
    if (!result.ok) {
        replies_.releaseReceiver(this);
        return result;
    }
    queue_.clear();
    open_.store(1);
    threadRunning_.store(true);
    try {
        thread_ = std::thread([this] {
            ThreadWatchComm(*this);
            threadRunning_.store(false);
        });
    } catch (const std::system_error& e) {
        threadRunning_.store(false);
        close();
        return {false, false, std::string("Cannot start the receive thread: ") + e.what()};
    }
    return result;
}

void CommChannel::close() {
    open_.store(0);
    device_.wake();
    if (thread_.joinable())
        thread_.join();
    device_.close();
    queue_.clear();
    replies_.releaseReceiver(this);
}

std::size_t CommChannel::write(const std::uint8_t* bytes, std::size_t count) {
    if (!isOpen() || count == 0)
        return 0;
    return device_.write(bytes, count);
}

std::size_t CommChannel::read(std::uint8_t* buffer, std::size_t max) {
    if (!isOpen())
        return 0;
    return device_.read(buffer, max);
}

std::vector<Notice> CommChannel::takeNotices() {
    std::lock_guard lock(noticeMutex_);
    return std::exchange(notices_, {});
}

// Kept for the caller's thread. A message still waiting to be shown is not queued again, so
// a port that keeps overflowing gives one message, not a cascade.
void CommChannel::queueNotice(const std::string& text) {
    std::lock_guard lock(noticeMutex_);
    for (const Notice& n : notices_)
        if (n.text == text)
            return;
    notices_.push_back({text, Icon::None});
}

// Takes every waiting byte in batches; a batch that does not fit the receive queue is dropped
// whole. Then the receive event ends: replyEvent is signalled unless a frame is still open.
void CommChannel::drainReceiveEvent() {
    std::uint8_t batch[kReadBatch];
    for (;;) {
        if (!isOpen())
            return; // close() is waiting for us
        const std::size_t n = read(batch, sizeof batch);
        if (n == 0)
            break;
        if (n < ByteQueue::kSize - queue_.count()) {
            for (std::size_t i = 0; i < n; ++i)
                queue_.append(batch[i]);
            replies_.feed(batch, n);
        } else {
            queueNotice("buff full");
        }
    }
    queue_.clear();
    replies_.endOfReceiveEvent();
}

int ThreadWatchComm(CommChannel& channel) {
    if (!channel.device_.prepareWatch()) {
        channel.queueNotice("Error while creating ThreadWatchComm, " + channel.portName_);
        return 0;
    }
    while (channel.isOpen()) {
        // A lost device is not watched any more (see SerialDevice); the thread then sleeps
        // until close wakes it, and the caller's waits run into their time-outs.
        if (channel.device_.waitForData() == SerialDevice::Wake::Data)
            channel.drainReceiveEvent();
        std::this_thread::yield();
    }
    channel.device_.finishWatch();
    return 1;
}

} // namespace korvelo
