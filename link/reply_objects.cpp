#include "link/reply_objects.h"

#include "link/reply_frame.h"

#include <algorithm>
#include <span>

namespace korvelo {

std::array<std::uint8_t, ReplyData::kSize> ReplyData::copy() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

std::uint8_t ReplyData::operator[](std::size_t i) const {
    std::lock_guard lock(mutex_);
    return i < kSize ? bytes_[i] : 0;
}

void ReplyData::store(const std::uint8_t* bytes, std::size_t count) {
    std::lock_guard lock(mutex_);
    std::copy_n(bytes, std::min(count, kSize), bytes_.begin());
}

using namespace FrameByte;

void ReplyAssembler::resetState() {
    fill_ = 0;
    state_ = 0;
    expected_ = 0;
    count_ = 0;
}

void ReplyAssembler::discard() {
    fill_ = 0;
    expected_ = 0;
    count_ = 0; // a frame dropped in its data must not shorten the next one
    state_ = 0;
}

// A frame that would run past the end of the frame buffer is dropped.
void ReplyAssembler::store(std::uint8_t b) {
    if (fill_ >= frame_.size()) {
        discard();
        return;
    }
    frame_[fill_++] = b;
}

void ReplyAssembler::feed(std::uint8_t b) {
    switch (state_) {
    case 0:
        fill_ = 0;
        if (b == kStart) {
            store(b);
            state_ = 1;
        }
        return;
    case 1:
        if (b == kReplyMarker) {
            store(b);
            state_ = 2;
        } else {
            discard();
        }
        return;
    case 2:
        if (b == kBlockData) {
            store(b);
            state_ = 3;
        } else if (b == kAck || b == kNak) {
            store(b);
            expected_ = 0;
            count_ = 0;
            state_ = 8;
        } else if (isInformationReply(b)) {
            store(b);
            state_ = 5;
        } else {
            discard();
        }
        return;
    case 3:
    case 4:
    case 5:
        store(b);
        if (state_ != 0)
            ++state_;
        return;
    case 6:
        store(b);
        if (state_ != 0) {
            expected_ = b;
            state_ = 7;
        }
        return;
    case 7:
        store(b);
        if (state_ == 0)
            return;
        ++count_;
        if (count_ >= expected_) {
            count_ = 0;
            state_ = 8;
        }
        return;
    case 8: {
        // Sum from the marker through the byte before the checksum.
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i < fill_; ++i)
            sum = static_cast<std::uint8_t>(sum + frame_[i]);
        store(b);
        if (state_ == 0)
            return;
        if (sum == b) {
            state_ = 9;
        } else {
            discard();
        }
        return;
    }
    case 9:
        if (b == kEnd) {
            store(b);
            if (state_ != 0)
                commit();
        }
        discard();
        count_ = 0;
        return;
    default:
        discard();
        return;
    }
}

void ReplyAssembler::commit() {
    const std::uint8_t code = frame_[2];
    if (FrameTrace* trace = out_.trace())
        trace->received(std::span<const std::uint8_t>(frame_.data(), fill_));
    if (code == kBlockData || isInformationReply(code)) {
        if (expected_ != 0) {
            // Block: address and length fields, then the data. Information: length field,
            // data, checksum and end byte. Either way length + 4 bytes after the code.
            const std::size_t n = std::min<std::size_t>(expected_ + 4u, fill_ - 3u);
            out_.replyData.store(frame_.data() + 3, n);
            out_.replyStatus.store(kStatusData);
        }
    } else if (code == kAck) {
        out_.replyStatus.store(kStatusAck);
    } else if (code == kNak) {
        out_.replyStatus.store(kStatusNak);
    }
}

void ReplyObjects::resetForSend() {
    replyEvent.reset();
    replyStatus.store(kStatusNone);
}

void ReplyObjects::feed(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        assembler_.feed(bytes[i]);
}

void ReplyObjects::endOfReceiveEvent() {
    // Mid-frame, the rest of the frame is still on its way; signalling now would wake the
    // caller before the status is there.
    if (!assembler_.midFrame())
        replyEvent.set();
}

bool ReplyObjects::claimReceiver(const void* channel) {
    const void* none = nullptr;
    if (!receiver_.compare_exchange_strong(none, channel))
        return none == channel;
    assembler_.resetState();
    return true;
}

void ReplyObjects::releaseReceiver(const void* channel) {
    const void* expected = channel;
    receiver_.compare_exchange_strong(expected, nullptr);
}

ReplyObjects& processReplies() {
    static ReplyObjects replies;
    return replies;
}

} // namespace korvelo
