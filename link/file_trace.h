#pragma once
// A frame trace written to a file: one line per frame, appended and flushed at once, e.g.
//   2026-12-08T17:40:01.123 TX 02 02 40 42 03
#include "frame_trace.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace korvelo {

class FileFrameTrace : public FrameTrace {
  public:
    explicit FileFrameTrace(const std::string& path);
    ~FileFrameTrace() override;
    FileFrameTrace(const FileFrameTrace&) = delete;
    FileFrameTrace& operator=(const FileFrameTrace&) = delete;

    bool ok() const { return file_ != nullptr; }
    void sent(std::span<const std::uint8_t> bytes) override { line("TX", bytes); }
    void received(std::span<const std::uint8_t> frame) override { line("RX", frame); }
    // Test-set lines as text: "TS> MEAS:POW?", "TS< +4.98E+00".
    void instrument(bool sent, std::string_view text) override;

  private:
    void line(std::string_view direction, std::span<const std::uint8_t> bytes);
    void write(const std::string& text);

    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

} // namespace korvelo
