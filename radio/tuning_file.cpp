#include "radio/tuning_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvelo {

namespace fs = std::filesystem;

namespace {

using Record = std::array<std::uint8_t, kTuningFileSize>;

bool magicIs(std::span<const std::uint8_t> record, std::string_view magic) {
    return std::memcmp(record.data(), magic.data(), magic.size()) == 0;
}

std::optional<TuningRecord> decodeRecord(std::span<const std::uint8_t, kTuningFileSize> bytes) {
    TuningRecord record;
    if (magicIs(bytes, kMagicAk2347))
        record.isAk2347Radio = true;
    else if (magicIs(bytes, kMagicCmx148))
        record.isAk2347Radio = false;
    else
        return std::nullopt;
    std::copy_n(bytes.begin() + kTuningMagicSize, TuningImage::kSize, record.image.bytes().begin());
    return record;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A new file that did not exist before (so two saves never share a temporary file).
FilePtr createExclusive(const fs::path& path) {
#ifdef _WIN32
    const int fd =
        _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
#endif
    if (fd < 0)
        return nullptr;
#ifdef _WIN32
    std::FILE* f = _fdopen(fd, "wb");
    if (!f)
        _close(fd);
#else
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f)
        ::close(fd);
#endif
    return FilePtr(f);
}

// Flushes the file's data to the device so that the rename cannot publish an empty file after
// a power cut.
bool syncToDisk(std::FILE* f) {
    if (std::fflush(f) != 0)
        return false;
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return ::fsync(fileno(f)) == 0;
#endif
}

// An existing target the user may not write (a read-only file) is refused as the in-place
// write would have been, rather than silently replaced by the rename.
bool targetWritable(const fs::path& target) {
    std::error_code ec;
    if (!fs::exists(target, ec))
        return true;
#ifdef _WIN32
    return (fs::status(target, ec).permissions() & fs::perms::owner_write) != fs::perms::none;
#else
    return ::access(target.c_str(), W_OK) == 0;
#endif
}

fs::path temporaryBeside(const fs::path& target, int attempt) {
    fs::path tmp = target;
    tmp += ".tmp" + std::to_string(attempt);
    return tmp;
}

} // namespace

std::optional<TuningRecord> parseTuningFile(std::span<const std::uint8_t> contents) {
    const std::size_t records = contents.size() / kTuningFileSize;
    if (records == 0)
        return std::nullopt;
    return decodeRecord(contents.subspan((records - 1) * kTuningFileSize).first<kTuningFileSize>());
}

Record encodeTuningFile(const TuningRecord& record) {
    Record out{};
    const std::string_view magic = record.isAk2347Radio ? kMagicAk2347 : kMagicCmx148;
    std::copy(magic.begin(), magic.end(), out.begin());
    std::copy(record.image.bytes().begin(), record.image.bytes().end(),
              out.begin() + kTuningMagicSize);
    return out;
}

LoadResult readTuningFile(std::FILE* file) {
    Record buffer{};
    Record last{};
    bool haveRecord = false;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got == buffer.size()) {
            last = buffer;
            haveRecord = true;
            continue;
        }
        if (std::ferror(file))
            return {LoadError::Unreadable, {}};
        break; // end of file; an incomplete last record is ignored
    }
    if (!haveRecord)
        return {LoadError::NotTuningFile, {}};
    const auto record = decodeRecord(last);
    if (!record)
        return {LoadError::NotTuningFile, {}};
    return {LoadError::None, *record};
}

bool OpenTuningFile(Session& session, const std::string& path, Notifier& notifier) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        notifier.notify("Cannot open the file.", Icon::Exclamation);
        return false;
    }
    const LoadResult result = readTuningFile(file.get());
    file.reset();
    switch (result.error) {
    case LoadError::Unreadable:
        notifier.notify("Cannot open the file.", Icon::Exclamation);
        return false;
    case LoadError::NotTuningFile:
        notifier.notify("Cannot open the file", Icon::Error);
        return false;
    case LoadError::None:
        break;
    }
    session.image = result.record.image;
    session.flags.isAk2347Radio = result.record.isAk2347Radio;
    session.flags.imageLoaded = true;
    session.flags.spacingTabsEnabled = 1;
    return true;
}

bool SaveTuningFile(const Session& session, const std::string& path, Notifier& notifier) {
    std::error_code ec;
    fs::path target(path);
    // Save through a link to the file it names, not over the link itself.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    if (path.empty() || fs::is_directory(target, ec) || !targetWritable(target)) {
        notifier.notify("Cannot open the file.", Icon::Exclamation);
        return false;
    }

    fs::path tmp;
    FilePtr file;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        tmp = temporaryBeside(target, attempt);
        file = createExclusive(tmp);
        if (!file && errno != EEXIST)
            break;
    }
    if (!file) {
        notifier.notify("Cannot open the file.", Icon::Exclamation);
        return false;
    }

    const Record bytes = encodeTuningFile({session.flags.isAk2347Radio, session.image});
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    ok = ok && syncToDisk(file.get());
    ok = (std::fclose(file.release()) == 0) && ok;
    if (ok && fs::exists(target, ec)) // keep the permissions of the file being replaced
        fs::permissions(tmp, fs::status(target, ec).permissions(), ec);
    if (ok) {
        fs::rename(tmp, target, ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove(tmp, ec);
        notifier.notify("Cannot save the file.", Icon::Exclamation);
        return false;
    }
    return true;
}

} // namespace korvelo
