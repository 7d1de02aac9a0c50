#include "radio/tuning_file.h"

#include "radio/disk_file.h"
#include "radio/image_record.h"

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
#include <sys/stat.h>
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

using disk::FilePtr;

std::string systemReason(int error) {
    return std::generic_category().message(error);
}

// "Cannot open the file." and the like, with the file's name and the reason below.
void tell(Notifier& notifier, const char* text, Icon icon, const fs::path& path,
          const std::string& reason) {
    notifier.notify(std::string(text) + "\n" + displayPath(path) + ": " + reason, icon);
}

// What stops a file from being read as a tuning file before a byte of it is read.
struct ReadOpen {
    FilePtr file;
    int error = 0;       // the system's reason, when it could not be opened
    std::string refusal; // not a regular file, or too large
};

// Opened without blocking (a FIFO must not hang the program) and refused unless it is a
// regular file of at most kMaxTuningFileBytes (/dev/zero never ends). The wide path on
// Windows, so that names outside the ANSI code page open too.
ReadOpen openForReading(const fs::path& path) {
    ReadOpen r;
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
    if (fd < 0) {
        r.error = errno;
        return r;
    }
#ifdef _WIN32
    struct _stat64 st {};
    const bool statOk = _fstat64(fd, &st) == 0;
    const bool regular = statOk && (st.st_mode & _S_IFMT) == _S_IFREG;
    const bool directory = statOk && (st.st_mode & _S_IFMT) == _S_IFDIR;
#else
    struct stat st {};
    const bool statOk = ::fstat(fd, &st) == 0;
    const bool regular = statOk && S_ISREG(st.st_mode);
    const bool directory = statOk && S_ISDIR(st.st_mode);
#endif
    if (!statOk) {
        r.error = errno;
    } else if (directory) {
        r.error = EISDIR;
    } else if (!regular) {
        r.refusal = "not a regular file";
    } else if (static_cast<std::uintmax_t>(st.st_size) > kMaxTuningFileBytes) {
        r.refusal = "larger than 1 MiB; a tuning file is 272 bytes";
    } else {
#ifdef _WIN32
        r.file.reset(_fdopen(fd, "rb"));
#else
        r.file.reset(::fdopen(fd, "rb"));
#endif
        if (r.file)
            return r;
        r.error = errno;
    }
#ifdef _WIN32
    _close(fd);
#else
    ::close(fd);
#endif
    return r;
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

} // namespace

std::string displayPath(const fs::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

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
    std::uintmax_t total = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        total += got;
        if (total > kMaxTuningFileBytes)
            return {LoadError::TooLarge, {}};
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

bool OpenTuningFile(Session& session, const fs::path& path, Notifier& notifier) {
    ReadOpen opened = openForReading(path);
    if (!opened.refusal.empty()) {
        tell(notifier, "Cannot open the file", Icon::Error, path, opened.refusal);
        return false;
    }
    if (!opened.file) {
        tell(notifier, "Cannot open the file.", Icon::Exclamation, path,
             systemReason(opened.error));
        return false;
    }
    errno = 0;
    const LoadResult result = readTuningFile(opened.file.get());
    const int readError = errno;
    opened.file.reset();
    switch (result.error) {
    case LoadError::Unreadable:
        tell(notifier, "Cannot open the file.", Icon::Exclamation, path,
             systemReason(readError != 0 ? readError : EIO));
        return false;
    case LoadError::TooLarge:
        tell(notifier, "Cannot open the file", Icon::Error, path,
             "larger than 1 MiB; a tuning file is 272 bytes");
        return false;
    case LoadError::NotTuningFile:
        tell(notifier, "Cannot open the file", Icon::Error, path,
             "not a tuning file (it does not start with \"TALVEX TUNER AK!\" or \"TALVEX TUNER "
             "CMX\")");
        return false;
    case LoadError::None:
        break;
    }
    // The pages would send the other chip's commands to the radio in tuner mode.
    const bool fileAk = result.record.isAk2347Radio;
    if (session.flags.inTunerMode && fileAk != session.flags.isAk2347Radio) {
        tell(notifier, "Cannot open the file", Icon::Error, path,
             std::string("the file is for ") + (fileAk ? "an AK2347" : "a CMX148") +
                 " radio, but the radio in tuner mode has " + (fileAk ? "a CMX148" : "an AK2347") +
                 " audio processor");
        return false;
    }
    session.image = result.record.image;
    session.flags.isAk2347Radio = fileAk;
    session.flags.imageLoaded = true;
    session.flags.spacingTabsEnabled = 1;
    recordFileLoaded(session, displayPath(path.filename()));
    return true;
}

namespace {
constexpr char kNotRegular[] =
    "It is not a regular file (a device, a FIFO or a folder); a tuning file is saved only over "
    "a regular file or under a new name.";

// A new name, or a regular file to replace: renaming over a device node or a FIFO would swap
// a system file for ours.
bool savableOver(const fs::path& target) {
    std::error_code ec;
    const fs::file_status st = fs::status(target, ec);
    if (ec && st.type() != fs::file_type::not_found)
        return true; // an unreadable status is told by the open that follows
    return st.type() == fs::file_type::not_found || st.type() == fs::file_type::regular;
}
} // namespace

TuningFileWriter::~TuningFileWriter() {
    discard();
}

void TuningFileWriter::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!tmp_.empty()) {
        std::error_code ec;
        fs::remove(tmp_, ec);
        tmp_.clear();
    }
}

bool TuningFileWriter::prepare(const fs::path& path, Notifier& notifier) {
    discard();
    std::error_code ec;
    fs::path target(path);
    // Save through a link to the file it names, not over the link itself.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    std::string reason;
    if (path.empty())
        reason = systemReason(ENOENT);
    else if (fs::is_directory(target, ec))
        reason = systemReason(EISDIR);
    else if (!savableOver(target))
        reason = kNotRegular;
    else if (!targetWritable(target))
        reason = systemReason(EACCES);
    if (!reason.empty()) {
        tell(notifier, "Cannot open the file.", Icon::Exclamation, path, reason);
        return false;
    }

    FilePtr file;
    fs::path tmp;
    int error = 0;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        tmp = disk::temporaryBeside(target);
        file = disk::createExclusive(tmp);
        error = errno;
        if (!file && error != EEXIST)
            break;
    }
    if (!file) {
        tell(notifier, "Cannot open the file.", Icon::Exclamation, path, systemReason(error));
        return false;
    }
    target_ = target;
    tmp_ = tmp;
    file_ = file.release();
    return true;
}

bool TuningFileWriter::commit(const TuningRecord& record, Notifier& notifier) {
    if (!file_)
        return false;
    const Record bytes = encodeTuningFile(record);
    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
    ok = ok && disk::syncToDisk(file_);
    int error = errno;
    ok = (std::fclose(file_) == 0) && ok;
    if (error == 0)
        error = errno;
    file_ = nullptr;
    std::error_code ec;
    // Looked at again: something else may have taken the name since prepare.
    if (ok && !savableOver(target_)) {
        tell(notifier, "Cannot save the file.", Icon::Exclamation, target_, kNotRegular);
        discard();
        return false;
    }
    if (ok && fs::exists(target_, ec)) // keep the permissions of the file being replaced
        fs::permissions(tmp_, fs::status(target_, ec).permissions(), ec);
    if (ok) {
        fs::rename(tmp_, target_, ec);
        ok = !ec;
        if (ec)
            error = ec.value();
    }
    if (!ok) {
        tell(notifier, "Cannot save the file.", Icon::Exclamation, target_,
             systemReason(error != 0 ? error : EIO));
        discard();
        return false;
    }
    tmp_.clear();
    return true;
}

bool SaveTuningFile(const Session& session, const fs::path& path, Notifier& notifier) {
    TuningFileWriter writer;
    return writer.prepare(path, notifier) &&
           writer.commit({session.flags.isAk2347Radio, session.image}, notifier);
}

} // namespace korvelo
