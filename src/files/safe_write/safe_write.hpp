// How every program here writes a file (recordings, kept runs, PNG frames, GIFs, the solver's
// scripts), as an editor or a package manager does: into a new file of its own beside the
// target, created exclusively so no link planted there is ever followed, flushed and synced,
// then renamed over the target. A reader never sees half a file, and a failure at any point
// leaves whatever stood at the target as it was. A link at the target is followed to the file
// it finally names, which is the one replaced (beside it, in its folder). The new file takes the
// owner (where the process may give it) and the permissions of the file it replaces; a hard
// link to the old file keeps the old contents, for the name now belongs to a new file.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace kueruma::safe_write {

// Empty when `path` may be written: nothing is there yet, or a regular file, or a link that
// leads to either. Otherwise one line saying what is there instead, such as "PATH is a folder,
// not a file". "-" is standard output, which NewFile writes to directly.
std::string checkTarget(const std::string& path);

// The name `path` finally leads to, its links followed one by one. False with `problem` saying
// why none: a loop of links, or a process's open file (/proc/self/fd/N, as /dev/stdout is),
// which renaming a new file over cannot reach.
bool finalTarget(const std::string& path, std::string& target, std::string& problem);

// Empty when Windows can hold a file of this name; otherwise why not: a device name (CON, NUL,
// AUX.TXT, COM1...) or a path longer than Windows opens. Checked by checkTarget() on Windows.
std::string windowsNameProblem(const std::string& path);

// A SIGTERM, SIGINT or SIGHUP from now on removes the new files not yet committed before the
// program ends as the signal would end it (a program with handlers of its own does not call it).
void removeNewFilesOnSignals();

// What commit() does when the target exists by then.
enum class Existing { replace, keep };

// Whether commit() waits for the disk: a file that cannot be made again (a recording) is synced;
// frames written by the thousand are only checked, so a power cut may leave one empty.
enum class Durability { synced, checked };

class NewFile {
  public:
    NewFile() = default;
    // A file never committed is removed: the target stays as it was.
    ~NewFile() { abandon(); }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Creates the new file beside the file `target` leads to ("-": standard output, written
    // straight and only flushed). False with `error` naming the target and why: it cannot be
    // made, or checkTarget() refuses the target.
    bool open(const std::string& target, std::string& error,
              Durability durability = Durability::synced);
    // open(), then `text` written to the new file.
    bool openWith(const std::string& target, std::string_view text, std::string& error);
    // Where to write; null until open() succeeds and after commit() or abandon().
    std::FILE* stream() const { return stream_; }
    // Flushes, syncs and closes the file and puts it at the target. With Existing::keep a
    // target that exists is left alone and `error` says so. False with `error` naming the
    // target and the reason; the new file is then gone and the target untouched.
    bool commit(std::string& error, Existing existing = Existing::replace);
    // Throws the new file away.
    void abandon();

  private:
    bool fail(const std::string& reason, std::string& error);

    std::string target_; // as the caller named it
    std::string final_;  // where the links at it lead
    std::string temporary_;
    int slot_ = -1; // in the table of new files a signal removes
    bool standardOutput_ = false;
    std::FILE* stream_ = nullptr;
    Durability durability_ = Durability::synced;
};

// `text` as the whole of the file at `path`, by the rule above.
bool writeWhole(const std::string& path, std::string_view text, std::string& error,
                Existing existing = Existing::replace);

// A lock that says "this process is writing this file", held across every rewrite: a second
// program asking for it while the first runs is refused. The lock sits on the file itself and
// moves to each new file before it takes the target's place, so it never lapses (flock; on
// Windows LockFileEx on a byte far beyond any data, so readers are not stopped). The browser
// has no such lock here: a second writer there is not refused.
class WriterLock {
  public:
    WriterLock() = default;
    ~WriterLock() { release(); }
    WriterLock(WriterLock&& other) noexcept { *this = std::move(other); }
    WriterLock& operator=(WriterLock&& other) noexcept {
        if (this == &other) return *this;
        release();
        path_ = std::move(other.path_);
        descriptor_ = std::exchange(other.descriptor_, -1);
#ifdef _WIN32
        handle_ = std::exchange(other.handle_, nullptr);
#endif
        madeEmpty_ = std::exchange(other.madeEmpty_, false);
        return *this;
    }

    // Takes the lock on `path`, making an empty file there when there is none. False with
    // `error` naming the file: another writer holds it, or it cannot be opened.
    bool acquire(const std::string& path, std::string& error);
    // writeWhole() under the lock.
    bool rewrite(std::string_view text, std::string& error);
    // Lets the lock go; an empty file acquire() made and nothing ever replaced is removed.
    void release();

  private:
    std::string path_;
    int descriptor_ = -1;
#ifdef _WIN32
    void* handle_ = nullptr; // the locked file's HANDLE
#endif
    bool madeEmpty_ = false;
};

} // namespace kueruma::safe_write
