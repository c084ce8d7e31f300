#include "files/safe_write/safe_write.hpp"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kueruma::safe_write {

namespace fs = std::filesystem;

namespace {

// A name no other writer is using: a few letters from a counter, the process and the clock.
// Creating the file exclusively is what makes it safe; this only makes a clash unlikely.
std::string uniqueSuffix() {
    static std::atomic<unsigned long long> counter{0};
    unsigned long long n = counter++ * 0x9E3779B97F4A7C15ull;
#ifdef _WIN32
    n ^= static_cast<unsigned long long>(GetCurrentProcessId()) << 20;
#else
    n ^= static_cast<unsigned long long>(::getpid()) << 20;
#endif
    n ^= static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    std::string suffix;
    for (int i = 0; i < 8; ++i, n /= 36) suffix += "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36];
    return suffix;
}

// The new file's name beside `target`: hidden, and short enough for any folder.
std::string temporaryName(const fs::path& target) {
    const std::string base = target.filename().string().substr(0, 64);
    return (target.parent_path() / ("." + base + "." + uniqueSuffix() + ".part")).string();
}

#ifdef _WIN32

int createExclusive(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                   _S_IREAD | _S_IWRITE);
}

std::string lastSystemError() {
    char text[256] = "";
    const DWORD code = GetLastError();
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, sizeof text, nullptr) == 0) {
        return "system error " + std::to_string(code);
    }
    std::string reason = text;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    return reason;
}

bool syncToDisk(std::FILE* stream) {
    return ::_commit(::_fileno(stream)) == 0;
}

// Windows keeps a file's permissions in the folder's rules, which a new file inherits.
void keepPermissions(std::FILE*, const std::string&) {}

bool moveIntoPlace(const std::string& from, const std::string& to, Existing existing,
                   std::string& reason) {
    const DWORD replace = existing == Existing::replace ? MOVEFILE_REPLACE_EXISTING : 0;
    if (MoveFileExA(from.c_str(), to.c_str(), replace | MOVEFILE_WRITE_THROUGH)) return true;
    reason = GetLastError() == ERROR_ALREADY_EXISTS ? "it already exists" : lastSystemError();
    return false;
}

#else

int createExclusive(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

// A file system that cannot sync (EINVAL) has nothing more to do than what fclose checks.
bool syncToDisk(std::FILE* stream) {
    return ::fsync(::fileno(stream)) == 0 || errno == EINVAL;
}

// The file being replaced keeps its permissions (a private 0600 recording stays private). A
// link at the target is replaced by a file with the usual permissions, whatever it points to.
void keepPermissions(std::FILE* stream, const std::string& target) {
    struct stat old {};
    if (::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(::fileno(stream), old.st_mode & 0777);
    }
}

bool moveIntoPlace(const std::string& from, const std::string& to, Existing existing,
                   std::string& reason) {
    if (existing == Existing::replace) {
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
    }
#ifdef __EMSCRIPTEN__
    // The browser's memory file system has no hard links (and only this program in it).
    else if (::access(to.c_str(), F_OK) != 0 && ::rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
#else
    else if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
#endif
#ifdef RENAME_NOREPLACE
    // A file system without hard links may still rename without replacing.
    else if (errno != EEXIST &&
             ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
#endif
    reason = errno == EEXIST ? "it already exists" : std::strerror(errno);
    return false;
}

#endif

} // namespace

std::string checkTarget(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::regular:
        return "";
    case fs::file_type::directory:
        return path + " is a folder, not a file";
    case fs::file_type::fifo:
        return path + " is a pipe (FIFO), not a file";
    case fs::file_type::character:
    case fs::file_type::block:
        return path + " is a device, not a file";
    case fs::file_type::none:
        return "cannot write " + path + ": " + ec.message();
    default:
        return path + " is not a regular file";
    }
}

bool NewFile::open(const std::string& target, std::string& error, Durability durability) {
    abandon();
    target_ = target;
    durability_ = durability;
    const fs::path targetPath(target);
    if (!targetPath.has_filename()) return fail("not a file name", error);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporaryName(targetPath);
        const int fd = createExclusive(name);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return fail(std::strerror(errno), error);
        temporary_ = name;
#ifdef _WIN32
        stream_ = ::_fdopen(fd, "wb");
#else
        stream_ = ::fdopen(fd, "wb");
#endif
        if (stream_ == nullptr) {
            const int reason = errno;
#ifdef _WIN32
            ::_close(fd);
#else
            ::close(fd);
#endif
            return fail(std::strerror(reason), error);
        }
        return true;
    }
    return fail("no free name for a new file beside it", error);
}

bool NewFile::commit(std::string& error, Existing existing) {
    if (stream_ == nullptr) return fail("the file is not open", error);
    const bool written = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    const bool synced = durability_ == Durability::checked || syncToDisk(stream_);
    if (!written || !synced) return fail(std::strerror(errno), error);
    keepPermissions(stream_, target_);
    const int closed = std::fclose(stream_);
    stream_ = nullptr;
    if (closed != 0) return fail(std::strerror(errno), error);
    std::string reason;
    if (!moveIntoPlace(temporary_, target_, existing, reason)) return fail(reason, error);
    temporary_.clear();
    return true;
}

void NewFile::abandon() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
}

bool NewFile::fail(const std::string& reason, std::string& error) {
    error = "cannot write " + target_ + ": " + reason;
    abandon();
    return false;
}

bool NewFile::openWith(const std::string& target, std::string_view text, std::string& error) {
    if (!open(target, error)) return false;
    if (std::fwrite(text.data(), 1, text.size(), stream_) == text.size()) return true;
    return fail(std::strerror(errno), error);
}

bool writeWhole(const std::string& path, std::string_view text, std::string& error,
                Existing existing) {
    NewFile file;
    return file.openWith(path, text, error) && file.commit(error, existing);
}

#if defined(_WIN32) || defined(__EMSCRIPTEN__)

bool WriterLock::acquire(const std::string& path, std::string&) {
    path_ = path;
    return true;
}

bool WriterLock::rewrite(std::string_view text, std::string& error) {
    return writeWhole(path_, text, error);
}

void WriterLock::release() {}

#else

namespace {

bool sameFile(int descriptor, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(descriptor, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

bool WriterLock::acquire(const std::string& path, std::string& error) {
    release();
    path_ = path;
    // The file may be replaced between opening and locking it (its writer rewrote it): the
    // lock counts only on the file the name still leads to.
    for (int attempt = 0; attempt < 10; ++attempt) {
        bool made = false;
        int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            made = fd >= 0;
            if (fd < 0 && errno == EEXIST) continue;
        }
        if (fd < 0) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int reason = errno;
            ::close(fd);
            error = reason == EWOULDBLOCK ? path + " is being written by another program"
                                          : "cannot lock " + path + ": " + std::strerror(reason);
            return false;
        }
        if (sameFile(fd, path)) {
            descriptor_ = fd;
            madeEmpty_ = made;
            return true;
        }
        ::close(fd);
    }
    // A name that never settles (a link to nowhere) is written without the lock.
    return true;
}

bool WriterLock::rewrite(std::string_view text, std::string& error) {
    NewFile file;
    if (!file.openWith(path_, text, error)) return false;
    // The new file is locked before it takes the name, so the lock never lapses.
    const int next = descriptor_ >= 0 ? ::fcntl(::fileno(file.stream()), F_DUPFD_CLOEXEC, 0) : -1;
    if (next >= 0) ::flock(next, LOCK_EX | LOCK_NB);
    if (!file.commit(error)) {
        if (next >= 0) ::close(next);
        return false;
    }
    if (next >= 0) {
        ::close(descriptor_);
        descriptor_ = next;
    }
    madeEmpty_ = false;
    return true;
}

void WriterLock::release() {
    if (descriptor_ < 0) return;
    struct stat made {};
    if (madeEmpty_ && ::fstat(descriptor_, &made) == 0 && made.st_size == 0 &&
        sameFile(descriptor_, path_)) {
        ::unlink(path_.c_str());
    }
    ::close(descriptor_);
    descriptor_ = -1;
    madeEmpty_ = false;
}

#endif

} // namespace kueruma::safe_write
