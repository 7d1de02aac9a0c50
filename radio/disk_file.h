#pragma once
// Writing files the way Save writes a tuning file: into a temporary file of a name no other
// writer picks, synced to the device, then given its name. Shared by Save and the backups.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>

namespace korvelo::disk {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A new file that did not exist before (errno tells why not). The wide path on Windows.
FilePtr createExclusive(const std::filesystem::path& path);
// Flushes the file's data to the device, so that a rename cannot publish an empty file after
// a power cut.
bool syncToDisk(std::FILE* f);
// A name beside `target` that no other writer picks, so the leftovers of a killed writer
// never block the next one.
std::filesystem::path temporaryBeside(const std::filesystem::path& target);

enum class Publish { Done, Exists, Failed };

// Writes `bytes` to a temporary file beside `target`, syncs it, and gives it the name `target`
// only while no file has that name: an existing file is never replaced (Exists then). On
// Failed, `error` holds the system's reason (an errno value). No temporary file is left.
Publish writeNew(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                 int& error);

} // namespace korvelo::disk
