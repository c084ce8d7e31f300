// The one rule every written file keeps, case by case: each target kind and fault with what the
// write must give, and that nothing else in the folders around it changed.
#include "files/safe_write/safe_write.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kueruma {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Every name under `dir` with what it is: a link's destination, a file's text, a kind.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> seen;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const fs::path& p = entry.path();
        const auto type = fs::symlink_status(p).type();
        seen[p.string()] = type == fs::file_type::symlink   ? "-> " + fs::read_symlink(p).string()
                           : type == fs::file_type::regular ? "= " + contents(p)
                                                            : "kind " + std::to_string(int(type));
    }
    return seen;
}

struct Folders {
    fs::path dir;   // where the target is named
    fs::path other; // another folder, a link's destination
};

struct Case {
    std::string name;
    std::function<void(const Folders&)> make; // puts the target kind at dir/out
    std::string target = "out";               // the name written, under dir (or absolute)
    std::string refused;                      // empty: the write succeeds; else its error's end
    fs::path written = {};                    // with success: the file that holds the text now
};

TEST(SafeWrite, EachTargetKindGetsItsRuleAndNothingElseChanges) {
    const fs::path root =
        fs::path(::testing::TempDir()) / ("safe-write-" + std::to_string(getpid()));
    const Case cases[] = {
        {"nothing there", [](const Folders&) {}, "out", "", "dir/out"},
        {"a file", [](const Folders& f) { std::ofstream(f.dir / "out") << "old"; }, "out", "",
         "dir/out"},
        {"a link to a file elsewhere",
         [](const Folders& f) {
             std::ofstream(f.other / "real") << "old";
             fs::create_symlink(f.other / "real", f.dir / "out");
         },
         "out", "", "other/real"},
        {"a relative link to nowhere yet",
         [](const Folders& f) { fs::create_symlink("../other/later", f.dir / "out"); }, "out", "",
         "other/later"},
        {"a chain of links",
         [](const Folders& f) {
             fs::create_symlink("out2", f.dir / "out");
             fs::create_symlink(f.other / "end", f.dir / "out2");
         },
         "out", "", "other/end"},
        {"a loop of links",
         [](const Folders& f) {
             fs::create_symlink("b", f.dir / "out");
             fs::create_symlink("out", f.dir / "b");
         },
         "out", "is a loop of links (or more than 40 in a row), not a file"},
        {"a link planted at an old temporary name",
         [](const Folders& f) {
             std::ofstream(f.other / "victim") << "victim";
             fs::create_symlink(f.other / "victim", f.dir / ".out.part");
             fs::create_symlink(f.other / "victim", f.dir / "out.part");
         },
         "out", "", "dir/out"},
        {"a FIFO", [](const Folders& f) { ::mkfifo((f.dir / "out").c_str(), 0600); }, "out",
         "out is a pipe (FIFO), not a file"},
        {"a link to a FIFO",
         [](const Folders& f) {
             ::mkfifo((f.other / "pipe").c_str(), 0600);
             fs::create_symlink(f.other / "pipe", f.dir / "out");
         },
         "out", "out is a pipe (FIFO), not a file"},
        {"a folder", [](const Folders& f) { fs::create_directory(f.dir / "out"); }, "out",
         "out is a folder, not a file"},
        {"a device", [](const Folders&) {}, "/dev/null", "/dev/null is a device, not a file"},
        {"a link to a device",
         [](const Folders& f) { fs::create_symlink("/dev/zero", f.dir / "out"); }, "out",
         "out is a device, not a file"},
        {"a process's open file", [](const Folders&) {}, "/dev/stdout",
         "/dev/stdout is an open file of a process (/proc/self/fd/1), not a file: '-' writes to "
         "standard output"},
        {"a missing folder", [](const Folders&) {}, "no/such/out",
         "no/such/out: No such file or directory"},
        {"a name with an escape sequence", [](const Folders&) {}, "no/\x1b[31mred/out",
         "no/?[31mred/out: No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        const Folders f{root / "dir", root / "other"};
        fs::create_directories(f.dir);
        fs::create_directories(f.other);
        c.make(f);
        auto before = snapshot(root);
        const std::string target = c.target.front() == '/' ? c.target : (f.dir / c.target).string();
        std::string error;
        const bool written = safe_write::writeWhole(target, "new", error);
        ASSERT_EQ(written, c.refused.empty()) << error;
        if (!written) {
            EXPECT_TRUE(error.ends_with(c.refused)) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos);
        } else {
            const fs::path file = root / c.written;
            EXPECT_EQ(contents(file), "new");
            before[file.string()] = "= new";
        }
        EXPECT_EQ(snapshot(root), before) << "only the file written changed, no leftovers";
    }
    EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
    fs::remove_all(root);
}

// The file replaced keeps its owner and mode: a private recording another user owns, replaced
// by root, is still that user's and private.
TEST(SafeWrite, AReplacedFileKeepsItsOwnerAndMode) {
    const std::string path = ::testing::TempDir() + "owned-" + std::to_string(getpid());
    std::ofstream(path) << "old";
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
    }
    std::string error;
    ASSERT_TRUE(safe_write::writeWhole(path, "new", error)) << error;
    struct stat now {};
    ASSERT_EQ(::stat(path.c_str(), &now), 0);
    EXPECT_EQ(now.st_mode & 07777, 0640U);
    if (root) {
        EXPECT_EQ(now.st_uid, 4321U);
        EXPECT_EQ(now.st_gid, 4322U);
    }
    fs::remove(path);
}

// Faults while writing: each leaves what stood at the target as it was, and no new file.
TEST(SafeWrite, AFaultAtAnyPointLeavesTheTargetAsItWas) {
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("safe-fault-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string target = (dir / "out").string();
    std::ofstream(target) << "old";
    std::string error;
    // A target that appeared meanwhile is kept when asked.
    EXPECT_FALSE(safe_write::writeWhole(target, "new", error, safe_write::Existing::keep));
    EXPECT_EQ(error, "cannot write " + target + ": it already exists");
    // The folder is removed while the new file is open.
    {
        const fs::path gone = dir / "gone";
        fs::create_directory(gone);
        safe_write::NewFile file;
        ASSERT_TRUE(file.openWith((gone / "out").string(), "new", error));
        fs::remove_all(gone);
        EXPECT_FALSE(file.commit(error));
        EXPECT_EQ(error, "cannot write " + (gone / "out").string() + ": No such file or directory");
    }
    // A full disk: a small file system, where root may mount one.
    const fs::path small = dir / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") == 0) {
        const std::string full = (small / "out").string();
        std::ofstream(full) << "old";
        EXPECT_FALSE(safe_write::writeWhole(full, std::string(1 << 20, 'x'), error));
        EXPECT_EQ(error, "cannot write " + full + ": No space left on device");
        EXPECT_EQ(contents(full), "old");
        EXPECT_EQ(std::distance(fs::directory_iterator(small), {}), 1);
        // A link from another file system: the new file is made beside the file it leads to,
        // so it is renamed within that file system.
        fs::create_symlink(full, dir / "across");
        EXPECT_TRUE(safe_write::writeWhole((dir / "across").string(), "new", error)) << error;
        EXPECT_EQ(contents(full), "new");
        EXPECT_TRUE(fs::is_symlink(dir / "across"));
        ::umount(small.c_str());
    }
    // A writer ended by a signal mid-write removes its new file and ends as the signal ends it.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t child = ::fork();
        if (child == 0) {
            safe_write::removeNewFilesOnSignals();
            safe_write::NewFile file;
            std::string ignored;
            if (!file.openWith(target, "half", ignored)) ::_exit(3);
            ::raise(signal);
            ::_exit(4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(contents(target), "old");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3) << "out, small, across";
    fs::remove_all(dir);
}

// The names Windows keeps for its devices, and paths longer than it opens, are refused there.
TEST(SafeWrite, WindowsDeviceNamesAndOverlongPathsAreNamed) {
    for (const char* name : {"CON", "nul", "aux.txt", "dir/Com1.gif", "dir\\LPT9", "prn .txt"}) {
        EXPECT_NE(safe_write::windowsNameProblem(name).find("is a device name on Windows"),
                  std::string::npos)
            << name;
    }
    for (const char* name : {"console.txt", "com10", "my-con.txt", "nul-run.txt"}) {
        EXPECT_EQ(safe_write::windowsNameProblem(name), "") << name;
    }
    EXPECT_NE(safe_write::windowsNameProblem(std::string(304, 'a')).find("too long a name"),
              std::string::npos);
}

} // namespace
} // namespace kueruma
