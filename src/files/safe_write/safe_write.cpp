#include "files/safe_write/safe_write.hpp"

#include "cli/command_line.hpp"

#include <array>
#include <atomic>
#include <cctype>
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
#include <signal.h>
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

// The file being replaced keeps its owner and group, as far as this process may give them
// (root may give any; others only a group of their own), and then its mode (a private 0600
// recording stays private; changing the owner has cleared any set-id bit).
void keepPermissions(std::FILE* stream, const std::string& target) {
    struct stat old {};
    if (::lstat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return;
    const int fd = ::fileno(stream);
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Not ours to give: the new file belongs to its writer.
    }
    ::fchmod(fd, old.st_mode & 07777);
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

// The new files not yet committed, for a signal handler to remove: a slot is `ready` only while
// its name is complete and the file exists.
enum SlotState : int { freeSlot, claimed, ready };
struct NewFileSlot {
    std::atomic<int> state{freeSlot};
    std::array<char, 4096> name{};
};
std::array<NewFileSlot, 16> newFiles;

int registerNewFile(const std::string& name) {
    if (name.size() >= NewFileSlot{}.name.size()) return -1;
    for (std::size_t i = 0; i < newFiles.size(); ++i) {
        int expected = freeSlot;
        if (!newFiles[i].state.compare_exchange_strong(expected, claimed)) continue;
        std::memcpy(newFiles[i].name.data(), name.c_str(), name.size() + 1);
        newFiles[i].state = ready;
        return static_cast<int>(i);
    }
    return -1;
}

void unregisterNewFile(int& slot) {
    if (slot >= 0) newFiles[static_cast<std::size_t>(slot)].state = freeSlot;
    slot = -1;
}

#ifndef _WIN32
void removeNewFilesAndEnd(int signal) {
    for (NewFileSlot& slot : newFiles) {
        if (slot.state == ready) ::unlink(slot.name.data());
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}
#endif

// A process's open files (/proc/self/fd/N, /dev/stdout, /dev/fd/N) lead to what the process
// has open: a pipe, a terminal, or a file a new file renamed over would never reach.
bool inProcessTable(const fs::path& at) {
#ifdef __linux__
    std::error_code ec;
    const fs::path folder = fs::canonical(at.has_parent_path() ? at.parent_path() : ".", ec);
    return !ec && folder.string().rfind("/proc/", 0) == 0;
#else
    (void)at;
    return false;
#endif
}

} // namespace

bool finalTarget(const std::string& path, std::string& target, std::string& problem) {
    fs::path at(path);
    for (int links = 0; links <= 40; ++links) {
        if (inProcessTable(at)) {
            problem = cli::shownName(path) + " is an open file of a process (" + at.string() +
                      "), not a file: '-' writes to standard output";
            return false;
        }
        std::error_code ec;
        const fs::path next = fs::read_symlink(at, ec);
        // Not a link (or not there): this is the name to write, and opening it says what fails.
        if (ec) {
            target = at.string();
            return true;
        }
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    problem = cli::shownName(path) + " is a loop of links (or more than 40 in a row), not a file";
    return false;
}

std::string windowsNameProblem(const std::string& path) {
    std::error_code ec;
    const std::size_t length = fs::absolute(path, ec).string().size();
    // The new file beside it has a longer name (".NAME.XXXXXXXX.part"): both must fit the
    // 259 characters Windows opens.
    constexpr std::size_t longest = 259 - 15;
    if (length > longest) {
        return cli::printable(path, 40) + " is too long a name for Windows (" +
               std::to_string(length) + " characters with its folder; at most " +
               std::to_string(longest) + ")";
    }
    const std::size_t slash = path.find_last_of("/\\:");
    std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
    stem = stem.substr(0, stem.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const bool numbered = stem.size() == 4 &&
                          (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
                          stem[3] >= '1' && stem[3] <= '9';
    if (numbered || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" ||
        stem == "CONIN$" || stem == "CONOUT$") {
        return cli::shownName(path) + " is a device name on Windows (" + stem + "), not a file";
    }
    return "";
}

void removeNewFilesOnSignals() {
#ifndef _WIN32
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction was {};
        // A signal the caller's caller ignores (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &was) == 0 && was.sa_handler == SIG_IGN) continue;
        ::signal(signal, removeNewFilesAndEnd);
    }
#endif
}

std::string checkTarget(const std::string& path) {
    if (path == "-") return "";
#ifdef _WIN32
    if (std::string problem = windowsNameProblem(path); !problem.empty()) return problem;
#endif
    std::string final;
    std::string problem;
    if (!finalTarget(path, final, problem)) return problem;
    std::error_code ec;
    const fs::file_status status = fs::status(final, ec);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::regular:
        return "";
    case fs::file_type::directory:
        return cli::shownName(path) + " is a folder, not a file";
    case fs::file_type::fifo:
        return cli::shownName(path) + " is a pipe (FIFO), not a file";
    case fs::file_type::character:
    case fs::file_type::block:
        return cli::shownName(path) + " is a device, not a file";
    case fs::file_type::none:
        return "cannot write " + cli::shownName(path) + ": " + ec.message();
    default:
        return cli::shownName(path) + " is not a regular file";
    }
}

bool NewFile::open(const std::string& target, std::string& error, Durability durability) {
    abandon();
    target_ = target;
    durability_ = durability;
    if (target == "-") {
        stream_ = stdout;
        standardOutput_ = true;
        return true;
    }
    if (std::string refused = checkTarget(target); !refused.empty()) {
        error = refused;
        return false;
    }
    std::string problem;
    if (!finalTarget(target, final_, problem)) return fail(problem, error);
    const fs::path targetPath(final_);
    if (!targetPath.has_filename()) return fail("not a file name", error);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporaryName(targetPath);
        const int fd = createExclusive(name);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return fail(std::strerror(errno), error);
        temporary_ = name;
        slot_ = registerNewFile(name);
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
    if (standardOutput_) {
        const bool flushed = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
        const int reason = errno;
        stream_ = nullptr;
        standardOutput_ = false;
        if (flushed) return true;
        error = "cannot write to standard output: " + std::string(std::strerror(reason));
        return false;
    }
    const bool written = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    const bool synced = durability_ == Durability::checked || syncToDisk(stream_);
    if (!written || !synced) return fail(std::strerror(errno), error);
    keepPermissions(stream_, final_);
    const int closed = std::fclose(stream_);
    stream_ = nullptr;
    if (closed != 0) return fail(std::strerror(errno), error);
    std::string reason;
    if (!moveIntoPlace(temporary_, final_, existing, reason)) return fail(reason, error);
    temporary_.clear();
    unregisterNewFile(slot_);
    return true;
}

void NewFile::abandon() {
    if (standardOutput_) {
        // What was written to standard output cannot be taken back; it is only not flushed.
        stream_ = nullptr;
        standardOutput_ = false;
        return;
    }
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
    unregisterNewFile(slot_);
}

bool NewFile::fail(const std::string& reason, std::string& error) {
    error = "cannot write " + cli::shownName(target_) + ": " + reason;
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

#if defined(__EMSCRIPTEN__)

bool WriterLock::acquire(const std::string& path, std::string&) {
    path_ = path;
    return true;
}

bool WriterLock::rewrite(std::string_view text, std::string& error) {
    return writeWhole(path_, text, error);
}

void WriterLock::release() {}

#elif defined(_WIN32)

namespace {

// The byte locked: far past any data, so the lock stops other writers and never a reader.
OVERLAPPED lockedByte() {
    OVERLAPPED at{};
    at.Offset = 0xFFFFFFFE;
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}

// Opens `path` (making it when there is none) and locks it; false with `error` when another
// program holds the lock or the file cannot be opened.
bool openLocked(const std::string& path, const std::string& shown, void*& handle, bool& made,
                std::string& error) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot write " + shown + ": " + lastSystemError();
        return false;
    }
    made = GetLastError() != ERROR_ALREADY_EXISTS;
    OVERLAPPED at = lockedByte();
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD reason = GetLastError();
        error = reason == ERROR_LOCK_VIOLATION ? shown + " is being written by another program"
                                               : "cannot lock " + shown + ": " + lastSystemError();
        CloseHandle(h);
        if (made) DeleteFileA(path.c_str());
        return false;
    }
    handle = h;
    return true;
}

void closeLocked(void*& handle) {
    if (handle == nullptr) return;
    OVERLAPPED at = lockedByte();
    UnlockFileEx(handle, 0, 1, 0, &at);
    CloseHandle(handle);
    handle = nullptr;
}

} // namespace

bool WriterLock::acquire(const std::string& path, std::string& error) {
    release();
    if (!finalTarget(path, path_, error)) return false;
    return openLocked(path_, cli::shownName(path), handle_, madeEmpty_, error);
}

bool WriterLock::rewrite(std::string_view text, std::string& error) {
    NewFile file;
    if (!file.openWith(path_, text, error)) return false;
    // Windows will not rename over a file this program holds open: the lock is let go for the
    // rename alone and taken again on the new file.
    const bool locked = handle_ != nullptr;
    closeLocked(handle_);
    const bool committed = file.commit(error);
    bool made = false;
    std::string relock;
    if (locked) openLocked(path_, cli::shownName(path_), handle_, made, relock);
    if (committed) madeEmpty_ = false;
    return committed;
}

void WriterLock::release() {
    if (handle_ == nullptr) return;
    LARGE_INTEGER size{};
    const bool empty = GetFileSizeEx(handle_, &size) && size.QuadPart == 0;
    closeLocked(handle_);
    if (madeEmpty_ && empty) DeleteFileA(path_.c_str());
    madeEmpty_ = false;
}

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
    // The lock is on the file the writes replace: where the links at the name lead.
    if (!finalTarget(path, path_, error)) return false;
    // The file may be replaced between opening and locking it (its writer rewrote it): the
    // lock counts only on the file the name still leads to.
    for (int attempt = 0; attempt < 10; ++attempt) {
        bool made = false;
        int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(path_.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            made = fd >= 0;
            if (fd < 0 && errno == EEXIST) continue;
        }
        if (fd < 0) {
            error = "cannot write " + cli::shownName(path) + ": " + std::strerror(errno);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int reason = errno;
            ::close(fd);
            const std::string shown = cli::shownName(path);
            error = reason == EWOULDBLOCK ? shown + " is being written by another program"
                                          : "cannot lock " + shown + ": " + std::strerror(reason);
            return false;
        }
        if (sameFile(fd, path_)) {
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
