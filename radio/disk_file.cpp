#include "radio/disk_file.h"

#include <cerrno>
#include <chrono>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvelo::disk {

namespace fs = std::filesystem;

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

bool syncToDisk(std::FILE* f) {
    if (std::fflush(f) != 0)
        return false;
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return ::fsync(fileno(f)) == 0;
#endif
}

fs::path temporaryBeside(const fs::path& target) {
    static std::mt19937_64 random{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".tmp-%016llx", static_cast<unsigned long long>(random()));
    fs::path tmp = target;
    tmp += suffix;
    return tmp;
}

namespace {

// Gives the synced temporary file its name unless that name is taken.
Publish publishNew(const fs::path& tmp, const fs::path& target, int& error) {
#ifdef _WIN32
    if (MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
        return Publish::Done;
    const DWORD why = GetLastError();
    if (why == ERROR_ALREADY_EXISTS || why == ERROR_FILE_EXISTS)
        return Publish::Exists;
    error = EIO;
    return Publish::Failed;
#else
    // A hard link fails when the name exists, where a rename would replace the file.
    if (::link(tmp.c_str(), target.c_str()) == 0) {
        ::unlink(tmp.c_str());
        // The new name itself is made durable with its folder.
        const int dir = ::open(target.parent_path().empty() ? "." : target.parent_path().c_str(),
                               O_RDONLY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return Publish::Done;
    }
    if (errno == EEXIST)
        return Publish::Exists;
    // File systems without hard links: a rename after a look, which only a writer racing for
    // the very same name could defeat.
    std::error_code ec;
    if (fs::exists(target, ec))
        return Publish::Exists;
    if (::rename(tmp.c_str(), target.c_str()) == 0)
        return Publish::Done;
    error = errno;
    return Publish::Failed;
#endif
}

} // namespace

Publish writeNew(const fs::path& target, std::span<const std::uint8_t> bytes, int& error) {
    error = 0;
    std::error_code ec;
    if (fs::exists(target, ec))
        return Publish::Exists;
    FilePtr file;
    fs::path tmp;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        tmp = temporaryBeside(target);
        file = createExclusive(tmp);
        if (!file && errno != EEXIST)
            break;
    }
    if (!file) {
        error = errno != 0 ? errno : EIO;
        return Publish::Failed;
    }
    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    ok = ok && syncToDisk(file.get());
    error = errno;
    ok = (std::fclose(file.release()) == 0) && ok;
    Publish result = Publish::Failed;
    if (ok)
        result = publishNew(tmp, target, error);
    else if (error == 0)
        error = errno != 0 ? errno : EIO;
    fs::remove(tmp, ec); // gone already when the rename took it
    return result;
}

} // namespace korvelo::disk
