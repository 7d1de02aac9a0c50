#pragma once
// The reply objects shared by the receive thread and the caller: replyStatus, replyData and
// replyEvent, with the reply assembler that fills them. The program uses one process-wide set
// (processReplies()); tests make their own.
#include "frame_trace.h"
#include "reply_event.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace korvelo {

inline constexpr std::uint8_t kStatusNone = 0x00;
inline constexpr std::uint8_t kStatusData = 0xFF;
inline constexpr std::uint8_t kStatusAck = 0xAC;
inline constexpr std::uint8_t kStatusNak = 0xFA;

// 128-byte payload of the last data reply. Written by the receive thread before it publishes
// replyStatus; read by the caller after it has seen the status.
class ReplyData {
  public:
    static constexpr std::size_t kSize = 128;
    std::array<std::uint8_t, kSize> copy() const;
    std::uint8_t operator[](std::size_t i) const;             // 0 beyond the end
    void store(const std::uint8_t* bytes, std::size_t count); // count is clamped to kSize

  private:
    mutable std::mutex mutex_;
    std::array<std::uint8_t, kSize> bytes_{};
};

class ReplyObjects;

// Decodes reply frames byte by byte (states 0..9) and commits them to the reply objects.
// Its state survives from one receive event, and one channel, to the next.
class ReplyAssembler {
  public:
    explicit ReplyAssembler(ReplyObjects& out) : out_(out) {}
    void feed(std::uint8_t b);
    // True while a frame has been started but not yet committed or discarded.
    bool midFrame() const { return state_ != 0; }
    int state() const { return state_; }
    void resetState(); // back to state 0 (a new channel starts here)

  private:
    void discard();
    void commit();
    void store(std::uint8_t b);

    ReplyObjects& out_;
    std::array<std::uint8_t, 128> frame_{};
    std::uint8_t fill_ = 0;
    std::uint8_t state_ = 0;
    std::uint8_t expected_ = 0;
    std::uint8_t count_ = 0;
};

class ReplyObjects {
  public:
    ReplyObjects() = default;
    ReplyObjects(const ReplyObjects&) = delete;
    ReplyObjects& operator=(const ReplyObjects&) = delete;

    std::atomic<std::uint8_t> replyStatus{kStatusNone};
    ReplyData replyData;
    ReplyEvent replyEvent;

    // Before every send: the event is reset and a status left over from an earlier,
    // unexamined reply is dropped, so it cannot be taken for the answer to this command.
    void resetForSend();

    // Receive side (one thread at a time): feed the bytes of a receive event, then end it.
    // endOfReceiveEvent signals replyEvent unless the assembler is in the middle of a frame.
    void feed(const std::uint8_t* bytes, std::size_t count);
    void endOfReceiveEvent();
    ReplyAssembler& assembler() { return assembler_; }

    // One channel at a time delivers into these objects: a channel claims them when it opens
    // and gives them back once its receive side has stopped. A claim starts the assembler
    // afresh (a frame half-received on an earlier channel can never be completed on this
    // one), which is safe only because no other receive side can be feeding it then. False,
    // and nothing touched, while another channel holds them.
    bool claimReceiver(const void* channel);
    void releaseReceiver(const void* channel);
    bool receiverClaimed() const { return receiver_.load() != nullptr; }

    void setTrace(FrameTrace* trace) { trace_.store(trace); }
    FrameTrace* trace() const { return trace_.load(); }

  private:
    ReplyAssembler assembler_{*this};
    std::atomic<FrameTrace*> trace_{nullptr};
    std::atomic<const void*> receiver_{nullptr};
};

// The program's one set of reply objects.
ReplyObjects& processReplies();

} // namespace korvelo
