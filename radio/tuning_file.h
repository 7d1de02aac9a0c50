#pragma once
// The tuning file (*.tun): a 16-byte magic naming the radio's audio processor, then the 256
// image bytes. Exactly 272 bytes; no header, version or checksum beyond the magic.
#include "link/notifier.h"
#include "radio/radio_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
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

// A tuning file is 272 bytes; anything above this is not read at all.
inline constexpr std::uintmax_t kMaxTuningFileBytes = 1024 * 1024;

// The loader behind Open, reading an already opened file the same way (at most
// kMaxTuningFileBytes).
enum class LoadError { None, Unreadable, NotTuningFile, TooLarge };
struct LoadResult {
    LoadError error = LoadError::None;
    TuningRecord record; // valid when error is None
};
LoadResult readTuningFile(std::FILE* file);

// A path as the user reads it (UTF-8), for the messages' second lines.
std::string displayPath(const std::filesystem::path& path);

// Open: loads the image and the chip flag from the file; sets imageLoaded and
// spacingTabsEnabled. On any failure the session is left exactly as it was and the user is
// told, with the file's name and the reason on a second line: "Cannot open the file."
// (exclamation) when the system cannot read it, "Cannot open the file" (error) when it is not
// a regular file of at most 1 MiB, not a tuning file, or, while the radio is in tuner mode,
// a tuning file of the other audio processor.
bool OpenTuningFile(Session& session, const std::filesystem::path& path, Notifier& notifier);

// Save in two steps, so that a name that cannot be written is known before there is anything
// to write (korvelo-cli read creates its file before it reads the radio). prepare creates a
// temporary file of a name no other save uses, beside the target; commit writes the record,
// syncs it and renames it over the target, so a failed or interrupted save never leaves a
// damaged file. A writer destroyed without a commit removes its temporary file.
class TuningFileWriter {
  public:
    TuningFileWriter() = default;
    ~TuningFileWriter();
    TuningFileWriter(const TuningFileWriter&) = delete;
    TuningFileWriter& operator=(const TuningFileWriter&) = delete;

    // "Cannot open the file." (exclamation) with the name and reason when it cannot be created.
    bool prepare(const std::filesystem::path& target, Notifier& notifier);
    // "Cannot save the file." (exclamation) with the name and reason when writing fails.
    bool commit(const TuningRecord& record, Notifier& notifier);
    const std::filesystem::path& temporaryPath() const { return tmp_; }

  private:
    void discard();
    std::filesystem::path target_;
    std::filesystem::path tmp_;
    std::FILE* file_ = nullptr;
};

// Save: prepare and commit of the session's image and chip.
bool SaveTuningFile(const Session& session, const std::filesystem::path& path, Notifier& notifier);

} // namespace korvelo
