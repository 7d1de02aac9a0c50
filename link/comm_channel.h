#pragma once
// CommChannel: one serial port, its receive thread ThreadWatchComm and its receive queue.
// The caller's thread opens, writes and closes; the receive thread waits for bytes, drains
// the port and feeds the reply assembler. Messages raised on the receive thread are kept for
// the caller's thread (takeNotices), never shown from the receive thread.
#include "byte_queue.h"
#include "channel.h"
#include "reply_objects.h"
#include "serial_device.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvelo {

class CommChannel : public Channel {
  public:
    explicit CommChannel(ReplyObjects& replies) : replies_(replies) {}
    ~CommChannel() override { close(); }
    CommChannel(const CommChannel&) = delete;
    CommChannel& operator=(const CommChannel&) = delete;

    OpenResult open(const PortSettings& settings) override;
    // Ends the receive thread and waits for it, then closes the port.
    void close() override;
    std::size_t write(const std::uint8_t* bytes, std::size_t count) override;
    // Up to max waiting bytes; never waits for data.
    std::size_t read(std::uint8_t* buffer, std::size_t max);
    bool isOpen() const override { return open_.load() != 0; }
    std::vector<Notice> takeNotices() override;

    const std::string& portName() const { return portName_; }
    bool receiveThreadRunning() const { return threadRunning_.load(); }

    // Batches larger than this are read from the port at a time.
    static constexpr std::size_t kReadBatch = 128;

  private:
    friend int ThreadWatchComm(CommChannel& channel);
    void drainReceiveEvent();
    void queueNotice(const std::string& text);

    ReplyObjects& replies_;
    SerialDevice device_;
    std::string portName_;
    std::atomic<int> open_{0}; // the receive thread runs while it is 1
    std::thread thread_;
    std::atomic<bool> threadRunning_{false};
    ByteQueue queue_; // receive thread only while open
    std::mutex noticeMutex_;
    std::vector<Notice> notices_;
};

// The receive thread: 1 after a normal end, 0 when it could not start its loop.
int ThreadWatchComm(CommChannel& channel);

} // namespace korvelo
