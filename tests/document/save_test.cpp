// Saving replaces a file completely or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "document/file_replace.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

namespace fs = std::filesystem;

// Names in a folder other than the ones given (leftover temporary files).
std::vector<std::string> OtherFiles(const fs::path& folder, const std::vector<std::string>& known) {
    std::vector<std::string> others;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            others.push_back(name);
        }
    }
    return others;
}

bool WriteText(std::FILE* file, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

TEST(ReplaceFileTest, AFailedWriteLeavesTheTargetAndNoTemporaryFile) {
    test::TempDir dir;
    const auto target = dir / "net.xml";
    test::WriteFileBytes(target, "previous contents");
    EXPECT_FALSE(ReplaceFile(target, [](std::FILE* file) {
        WriteText(file, "half of the new");
        return false;
    }));
    EXPECT_EQ(test::ReadFileBytes(target), "previous contents");
    EXPECT_TRUE(OtherFiles(dir.path(), {"net.xml"}).empty());

    EXPECT_TRUE(ReplaceFile(target, [](std::FILE* file) { return WriteText(file, "new"); }));
    EXPECT_EQ(test::ReadFileBytes(target), "new");
    EXPECT_TRUE(OtherFiles(dir.path(), {"net.xml"}).empty());
}

// What may not be replaced is refused with its cause, before anything is written: the
// target stays as it was and no temporary file is left.
struct RefusedTarget {
    const char* name;
    std::function<fs::path(const fs::path& dir)> make;  // returns the target
    const char* cause;
};

class RefusedTargetTest : public testing::TestWithParam<RefusedTarget> {};

TEST_P(RefusedTargetTest, IsLeftAsItWasWithTheCause) {
    test::TempDir dir;
    const fs::path target = GetParam().make(dir.path());
    const auto before = fs::symlink_status(target).type();
    std::string why;
    EXPECT_FALSE(ReplaceFile(
        target, [](std::FILE* file) { return WriteText(file, "x"); }, &why));
    EXPECT_EQ(why, GetParam().cause);
    EXPECT_EQ(fs::symlink_status(target).type(), before);
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().extension(), ".xml") << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, RefusedTargetTest,
    testing::Values(
        RefusedTarget{"NoName", [](const fs::path&) { return fs::path(); }, "no file name"},
        RefusedTarget{"MissingFolder",
                      [](const fs::path& dir) { return dir / "no-such-folder" / "a.xml"; },
                      "No such file or directory"},
        RefusedTarget{"Folder",
                      [](const fs::path& dir) {
                          fs::create_directory(dir / "folder.xml");
                          return dir / "folder.xml";
                      },
                      "a folder"},
        RefusedTarget{"ReadOnly",
                      [](const fs::path& dir) {
                          test::WriteFileBytes(dir / "ro.xml", "old");
                          fs::permissions(dir / "ro.xml", fs::perms::owner_read);
                          return dir / "ro.xml";
                      },
                      "read-only"}
#if !defined(_WIN32)
        ,
        RefusedTarget{"Fifo",
                      [](const fs::path& dir) {
                          mkfifo((dir / "fifo.xml").c_str(), 0600);
                          return dir / "fifo.xml";
                      },
                      "not a regular file"},
        RefusedTarget{"DanglingLink",
                      [](const fs::path& dir) {
                          fs::create_symlink("gone.xml", dir / "link.xml");
                          return dir / "link.xml";
                      },
                      "a link to a file that does not exist"}
#endif
        ),
    [](const auto& info) { return std::string(info.param.name); });

#if !defined(_WIN32)
TEST(ReplaceFileTest, KeepsPermissionsAndSymbolicLinks) {
    test::TempDir dir;
    const auto real = dir / "real.xml";
    test::WriteFileBytes(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.xml", dir / "link.xml");

    EXPECT_TRUE(ReplaceFile(dir / "link.xml", [](std::FILE* f) { return WriteText(f, "new"); }));
    EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
    EXPECT_EQ(test::ReadFileBytes(real), "new");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}
#endif

}  // namespace
}  // namespace skelvane
