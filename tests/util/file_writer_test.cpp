// The one file writer: what each kind of name is left as, and what reaches
// it. Nodes and pipes are made in a scratch folder; /dev/full is only
// written in place, never replaced.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "support/golden.h"
#include "util/file_writer.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

struct Row {
    const char* name;
    std::function<bool(const fs::path&)> make;   // false: not possible here (skip)
    const char* refusal;                         // "" when written
    std::function<void(const fs::path&)> check;  // afterwards
};

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 ? status.st_mode : 0;
}

TEST(FileWriter, EachKindOfNameIsWrittenAndLeftAsItShouldBe) {
    const fs::path scratch =
        fs::path(::testing::TempDir()) / ("file-writer-" + std::to_string(getpid()));
    std::string heard;  // what a reader of a pipe or socket got
    std::thread reader;
    const Row rows[] = {
        {"a new name", [](const fs::path&) { return true; }, "",
         [](const fs::path& p) { EXPECT_EQ(test::ReadBytes(p), "new"); }},
        {"a file of mode 0640, replaced and mode kept",
         [](const fs::path& p) {
             std::ofstream(p) << "old";
             return chmod(p.c_str(), 0640) == 0;
         },
         "",
         [](const fs::path& p) {
             EXPECT_EQ(test::ReadBytes(p), "new");
             EXPECT_EQ(ModeOf(p) & 07777, 0640u);
         }},
        {"a link: the file replaced, the link kept",
         [](const fs::path& p) {
             std::ofstream(p.string() + ".real") << "old";
             fs::create_symlink(p.filename().string() + ".real", p);
             return true;
         },
         "",
         [](const fs::path& p) {
             EXPECT_TRUE(S_ISLNK(ModeOf(p)));
             EXPECT_EQ(test::ReadBytes(p.string() + ".real"), "new");
         }},
        {"a dangling link: its end created",
         [](const fs::path& p) {
             fs::create_symlink(p.string() + ".end", p);
             return true;
         },
         "", [](const fs::path& p) { EXPECT_EQ(test::ReadBytes(p.string() + ".end"), "new"); }},
        {"every temporary name taken: refused",
         [](const fs::path& p) {
             for (int n = 0; n < 1000; ++n)
                 std::ofstream(p.parent_path() /
                               ("." + p.filename().string() + "." + std::to_string(getpid()) + "-" +
                                std::to_string(n) + ".tmp"));
             return true;
         },
         "File exists",
         [](const fs::path& p) {
             fs::remove_all(p.parent_path());
             fs::create_directory(p.parent_path());
         }},
        {"a directory is refused", [](const fs::path& p) { return fs::create_directory(p); },
         "Is a directory", [](const fs::path& p) { EXPECT_TRUE(fs::is_directory(p)); }},
        {"a FIFO with a reader",
         [&](const fs::path& p) {
             if (mkfifo(p.c_str(), 0600) != 0) return false;
             reader = std::thread([&heard, p] { heard = test::ReadBytes(p); });
             return true;
         },
         "",
         [&](const fs::path& p) {
             reader.join();
             EXPECT_EQ(heard, "new");
             EXPECT_TRUE(S_ISFIFO(ModeOf(p)));
         }},
        {"a socket with a listener",
         [&](const fs::path& p) {
             const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::strncpy(address.sun_path, p.c_str(), sizeof address.sun_path - 1);
             if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                 listen(listener, 1) != 0)
                 return false;
             reader = std::thread([&heard, listener] {
                 const int peer = accept(listener, nullptr, nullptr);
                 char buffer[64];
                 for (ssize_t n; (n = read(peer, buffer, sizeof buffer)) > 0;)
                     heard.append(buffer, n);
                 close(peer);
                 close(listener);
             });
             return true;
         },
         "",
         [&](const fs::path& p) {
             reader.join();
             EXPECT_EQ(heard, "new");
             EXPECT_TRUE(S_ISSOCK(ModeOf(p)));
         }},
        // Only root may make a device node: the null device, made here.
        {"a character device node",
         [](const fs::path& p) { return mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; }, "",
         [](const fs::path& p) { EXPECT_TRUE(S_ISCHR(ModeOf(p))); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        const fs::path target = scratch / "target";
        heard.clear();
        if (!row.make(target)) {
            if (reader.joinable()) reader.join();
            continue;  // not allowed here
        }
        const Status written = WriteFile(target.string(), "new");
        EXPECT_EQ(written ? "" : written.reason(), row.refusal);
        row.check(target);
        for (const auto& entry : fs::directory_iterator(scratch))  // no temporary file left
            EXPECT_NE(entry.path().extension(), ".tmp");
    }
    fs::remove_all(scratch);
}

// A full device is written in place and the failure reported; a file
// dropped before its close leaves the name as it was.
TEST(FileWriter, FailuresLeaveTheTargetAsItWas) {
    const Status full = WriteFile("/dev/full", "bytes");
    EXPECT_EQ(full ? "" : full.reason(), std::strerror(ENOSPC));
    EXPECT_TRUE(S_ISCHR(ModeOf("/dev/full")));

    const fs::path file = fs::path(::testing::TempDir()) / ("dropped-" + std::to_string(getpid()));
    std::ofstream(file) << "old";
    {
        Result<FileWriter> writer = FileWriter::Open(file.string());
        ASSERT_TRUE(writer);
        EXPECT_TRUE(writer.value().Write("new"));
        EXPECT_EQ(writer.value().way(), FileWriter::Way::Whole);
    }  // dropped
    EXPECT_EQ(test::ReadBytes(file), "old");
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
    fs::remove(file);
}

}  // namespace
}  // namespace kestrel
