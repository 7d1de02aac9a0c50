#pragma once
// The tuning file (*.tun): a 16-byte magic naming the radio's audio processor, then the 256
// image bytes. Exactly 272 bytes; no header, version or checksum beyond the magic.
#include "link/notifier.h"
#include "radio/radio_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvelo {

inline constexpr std::size_t kTuningMagicSize = 16;
inline constexpr std::size_t kTuningFileSize = kTuningMagicSize + TuningImage::kSize; // 272
inline constexpr std::string_view kMagicAk2347 = "TALVEX TUNER AK!";
inline constexpr std::string_view kMagicCmx148 = "TALVEX TUNER CMX";

struct TuningRecord {
    bool isAk2347Radio = true;
    TuningImage image;
};

// Picks the record out of a file's contents. Files are read as a run of 272-byte records and
// the last whole one counts: 544 bytes give the second record, 300 bytes the first (the 28
// bytes of an incomplete record at the end are ignored rather than laid over the start of the
// previous record). Nothing for files shorter than one record or with an unknown magic (the
// comparison is exact, case included).
std::optional<TuningRecord> parseTuningFile(std::span<const std::uint8_t> contents);
std::array<std::uint8_t, kTuningFileSize> encodeTuningFile(const TuningRecord& record);

// The loader behind Open, reading an already opened file the same way.
enum class LoadError { None, Unreadable, NotTuningFile };
struct LoadResult {
    LoadError error = LoadError::None;
    TuningRecord record; // valid when error is None
};
LoadResult readTuningFile(std::FILE* file);

// Open: loads the image and the chip flag from the file; sets imageLoaded and
// spacingTabsEnabled. On any failure the session is left exactly as it was and the user is
// told: "Cannot open the file." (exclamation) when the file cannot be read, "Cannot open the
// file" (error) when it is not a tuning file.
bool OpenTuningFile(Session& session, const std::string& path, Notifier& notifier);

// Save: writes a temporary file beside the target and renames it over the target, so a failed
// or interrupted save never leaves a damaged file. "Cannot open the file." (exclamation) when
// the file cannot be created, "Cannot save the file." (exclamation) when writing it fails.
bool SaveTuningFile(const Session& session, const std::string& path, Notifier& notifier);

} // namespace korvelo
