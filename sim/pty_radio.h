#pragma once
// Serves a RadioModel on a POSIX pseudo-terminal from a thread of its own, so that the real
// serial channel, its receive thread and real timing can be tested end to end without a cable.
// The program under test opens devicePath() like any serial port.
//
// Both ends are raw (a cooked pty echoes and rewrites bytes). A spare descriptor of the slave
// side stays open, so the program closing its port between actions is no hang-up for us.
// A pty ignores the baud rate: with faults.pace the answers leave at the real line rate.
#include "sim/radio_model.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <utility>

namespace korvelo::sim {

class PtyRadio {
  public:
    PtyRadio() = default;
    explicit PtyRadio(RadioModel model) : model_(std::move(model)) {}
    ~PtyRadio();
    PtyRadio(const PtyRadio&) = delete;
    PtyRadio& operator=(const PtyRadio&) = delete;

    // Opens the pseudo-terminal and starts answering. False, with the reason in *error, when
    // the terminal cannot be set up.
    bool start(std::string* error = nullptr);
    // Stops answering and closes the terminal; returns at once even in the middle of an answer.
    void stop();
    bool running() const { return thread_.joinable(); }
    // The slave side's device name, e.g. /dev/pts/3; empty before start().
    const std::string& devicePath() const { return devicePath_; }

    // Runs fn(model) under the lock the radio's thread takes; the only safe way to reach the
    // model while the radio runs.
    template <class Fn> decltype(auto) withModel(Fn&& fn) {
        std::lock_guard lock(mutex_);
        return std::forward<Fn>(fn)(model_);
    }

    // Milliseconds on the clock the model's times are given in.
    std::int64_t nowMs() const;

    // Called on the radio's thread with each frame received ("PC") and each answer sent
    // ("RADIO"), e.g. for a log. Set it before start().
    using Monitor = std::function<void(const char* who, std::span<const std::uint8_t> bytes)>;
    void setMonitor(Monitor monitor) { monitor_ = std::move(monitor); }

  private:
    void run();
    void handle(std::span<const std::uint8_t> bytes);
    void transmit(const Reply& reply, bool pace);
    bool writeAll(std::span<const std::uint8_t> bytes);
    // Sleeps until the steady-clock deadline (nanoseconds) or stop(); false on stop.
    bool sleepUntil(std::int64_t deadlineNs);
    void closeAll();

    std::mutex mutex_;
    RadioModel model_;
    Monitor monitor_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int master_ = -1;
    int spareSlave_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::string devicePath_;
    std::int64_t startNs_ = 0;
};

} // namespace korvelo::sim
