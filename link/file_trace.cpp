#include "link/file_trace.h"

#include "link/command_frame.h"

#include <chrono>
#include <ctime>

namespace korvelo {

namespace {
// Local time with milliseconds: 2026-12-08T17:40:01.123
std::string timestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    char buf[32];
    const std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    std::snprintf(buf + n, sizeof buf - n, ".%03d", static_cast<int>(ms));
    return buf;
}
} // namespace

FileFrameTrace::FileFrameTrace(const std::string& path) : file_(std::fopen(path.c_str(), "a")) {}

FileFrameTrace::~FileFrameTrace() {
    if (file_)
        std::fclose(file_);
}

void FileFrameTrace::line(std::string_view direction, std::span<const std::uint8_t> bytes) {
    if (!file_)
        return;
    write(timestamp() + " " + std::string(direction) + " " + bytesToHex(bytes) + "\n");
}

void FileFrameTrace::instrument(bool sent, std::string_view text) {
    if (!file_)
        return;
    write(timestamp() + (sent ? " TS> " : " TS< ") + std::string(text) + "\n");
}

void FileFrameTrace::write(const std::string& text) {
    std::lock_guard lock(mutex_);
    std::fputs(text.c_str(), file_);
    std::fflush(file_);
}

} // namespace korvelo
