#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_paths.h"
#include "upgrade/upgrade_log.h"

namespace skelvane {
namespace {

using Lines = std::vector<std::string>;

constexpr LocalTime kMay1st{2008, 5, 1, 13, 45, 12, 7};

struct LogWithFile {
    LogWithFile() { log.SetFileName(path); }
    std::string File() const { return test::ReadFileBytes(path); }

    VirtualClock clock{kMay1st};
    test::TempDir dir;
    std::string path = (dir / "upgrade.txt").string();
    UpgradeLog log{clock};
};

TEST(UpgradeLogTest, EveryChangeOfALineWritesTheWholeLineAgain) {
    LogWithFile f;
    f.log.Log("Opening serial port ");
    f.clock.Advance(Millis{3});
    f.log.Append("COM1");
    f.clock.Advance(Millis{1000});
    f.log.Append(" ... done.");
    f.log.Line("replaced", false, false);
    EXPECT_EQ(f.File(),
              "2008-05-01 13:45:12:007  Opening serial port \r\n"
              "2008-05-01 13:45:12:010  Opening serial port COM1\r\n"
              "2008-05-01 13:45:13:010  Opening serial port COM1 ... done.\r\n"
              "2008-05-01 13:45:13:010  replaced\r\n");
    EXPECT_EQ(f.log.Lines(), (Lines{"replaced"}));
}

TEST(UpgradeLogTest, KeepsEveryLine) {
    VirtualClock clock;
    UpgradeLog log(clock);
    for (int i = 0; i < 2500; ++i) {
        log.Log(std::to_string(i));
    }
    const Lines lines = log.Lines();
    ASSERT_EQ(lines.size(), 2500u);
    EXPECT_EQ(lines.front(), "0");
}

TEST(UpgradeLogTest, AppendingToNothingIsLostAndClearLeavesOneBlankLineAndTheFile) {
    LogWithFile f;
    f.log.Append("lost");
    f.log.Line("lost too", false, false);
    EXPECT_TRUE(f.log.Lines().empty());
    EXPECT_EQ(f.File(), "");  // not even created
    f.log.Log("one");
    f.log.Clear();
    EXPECT_EQ(f.log.Lines(), (Lines{" "}));
    EXPECT_EQ(f.File(), "2008-05-01 13:45:12:007  one\r\n");
}

// A file that cannot be created is refused, and one that cannot be opened loses only its
// file lines.
TEST(UpgradeLogTest, CreateFileTruncatesAndAFileOutOfReachLosesOnlyItsLines) {
    LogWithFile f;
    test::WriteFileBytes(f.path, "old contents");
    EXPECT_TRUE(UpgradeLog::CreateFile(f.path));
    EXPECT_EQ(f.File(), "");
    const std::string missing = (f.dir / "missing" / "log.txt").string();
    EXPECT_FALSE(UpgradeLog::CreateFile(missing));
    EXPECT_FALSE(UpgradeLog::CreateFile(""));
    f.log.SetFileName(missing);
    f.log.Log("kept in the pane");
    EXPECT_EQ(f.log.Lines(), (Lines{"kept in the pane"}));
}

}  // namespace
}  // namespace skelvane
