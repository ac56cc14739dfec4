#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "../link/pty_pair.h"
#include "sim/terminal_mark.h"
#include "upgrade/hard_upgrade.h"
#include "upgrade/simulator_port.h"
#include "upgrade_fixture.h"

namespace skelvane {
namespace {

using Lines = std::vector<std::string>;
using test::Bytes;

// One hard upgrade on the test's thread against the simulated unit on the cable.
class HardUpgradeTest : public ::testing::Test {
  protected:
    explicit HardUpgradeTest(sim::UpgradeSimOptions options = {}) : sim(options) {
        job.portName = "SIM1";
        sim.Record();
    }

    UpgradeResult Run(std::stop_token stop = {}, const UpgradeHooks& hooks = {}) {
        HardUpgrade upgrade(port, log, sim.clock, images);
        return upgrade.Run(job, stop, hooks);
    }

    bool HasLine(const std::string& line) const {
        const Lines lines = log.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // A programming frame built from the protocol: 0x50, the address, 128 bytes (0x00 where
    // the file ends), the byte that makes the sum 0.
    static Bytes Frame(std::uint32_t address, const Bytes& file) {
        Bytes frame = {0x50, static_cast<std::uint8_t>(address >> 24),
                       static_cast<std::uint8_t>(address >> 16),
                       static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
        for (std::size_t i = 0; i < 128; ++i) {
            frame.push_back(address + i < file.size() ? file[address + i] : 0x00);
        }
        frame.push_back(static_cast<std::uint8_t>(
            0x100 - std::accumulate(frame.begin(), frame.end(), 0u) % 256));
        return frame;
    }

    test::UpgradeSim sim;
    BootImages images = PlaceholderBootImages();
    SerialPort port{sim.ports};
    UpgradeLog log{sim.clock};
    HardUpgradeJob job;
};

class BlankUnitTest : public HardUpgradeTest {
  protected:
    BlankUnitTest() : HardUpgradeTest(sim::UpgradeSimOptions{false, true, false}) {}
};

TEST_F(BlankUnitTest, A130ByteFileIsTwoFramesAndTheEraseIsSkipped) {
    job.fileName = sim.Firmware(130);
    const Bytes file = test::FileBytes(job.fileName);
    const std::string version = sim.network->Local().Version();

    EXPECT_EQ(Run(), UpgradeResult::Completed);

    Lines lines = log.Lines();
    ASSERT_EQ(lines.size(), 22u);
    // The uKernel line: a dot a chunk (17), and one more for each chunk whose echo took 65
    // reads or more.
    const std::string kernel = lines[6];
    EXPECT_EQ(kernel.rfind("Loading uKernel, wait ...", 0), 0u) << kernel;
    EXPECT_TRUE(kernel.ends_with(". passed.")) << kernel;
    EXPECT_GE(std::count(kernel.begin(), kernel.end(), '.'), 3 + 17 + 1);
    lines[6] = "(uKernel)";
    EXPECT_EQ(lines, (Lines{" ",
                            "Start to program",
                            "Opening serial port SIM1 ... done.",
                            "Connecting to the device ...connected.",
                            "Checking the connection ... passed.",
                            "Sending uKernel size ... passed.",
                            "(uKernel)",
                            "Writing refer size ... passed.",
                            "Sending run command ... passed.",
                            "Changing clock mode ... passed.",
                            "Changing baud rate to 115,200 ... passed.",
                            "Verifying new baud rate ... passed.",
                            "Sending data set ... passed.",
                            "Loading main kernel ....... passed.",
                            "Blank checking ... passed.",
                            "Requesting boot mode ... passed.",
                            "Requesting boot mode ... passed.",
                            "Preparing user data writing ... passed.",
                            "Loading writing procedure ........ passed.",
                            "Loading FW now, wait .... succeeded.",
                            " ",
                            "Upgrade completed !!"}));

    // The last bytes on the cable: two frames at 0 and 0x80 and the end frame.
    Bytes tail = Frame(0, file);
    const Bytes second = Frame(0x80, file);
    tail.insert(tail.end(), second.begin(), second.end());
    tail.insert(tail.end(), {0x50, 0xFF, 0xFF, 0xFF, 0xFF, 0xB4});
    ASSERT_GE(sim.toUnit.size(), tail.size());
    EXPECT_TRUE(
        std::equal(tail.begin(), tail.end(), sim.toUnit.end() - static_cast<long>(tail.size())));

    // The flash holds the file, the rest of its last frame 0x00, then nothing.
    const auto flash = sim.Boot().Flash().Bytes();
    EXPECT_TRUE(std::equal(file.begin(), file.end(), flash.begin()));
    EXPECT_TRUE(
        std::all_of(flash.begin() + 130, flash.begin() + 256, [](auto b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(flash.begin() + 256, flash.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_TRUE(sim.Boot().ErasedBlocks().empty());

    // Restarted by the line sequence, it runs the new firmware.
    sim.clock.Advance(Millis{20});
    sim.network->RunDue();
    EXPECT_EQ(sim.network->Local().Mode(), sim::UnitMode::Diagnostic);
    EXPECT_NE(sim.network->Local().Version(), version);
    EXPECT_EQ(sim.Boot().BootStarts(), 1);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(BlankUnitTest, ForceEraseErasesABlankFlashToo) {
    job.fileName = sim.Firmware(300);
    job.forceErase = true;
    EXPECT_EQ(Run(), UpgradeResult::Completed);
    EXPECT_TRUE(HasLine("Blank checking ... passed."));
    EXPECT_TRUE(HasLine("Erasing flash now, wait ................ passed."));
    EXPECT_EQ(sim.Boot().ErasedBlocks(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST_F(HardUpgradeTest, ANonBlankFlashIsErasedWithoutTheBox) {
    job.fileName = sim.Firmware(300);
    EXPECT_EQ(Run(), UpgradeResult::Completed);
    EXPECT_TRUE(HasLine("Blank checking ...not blank. passed."));
    EXPECT_TRUE(HasLine("Preparing flash erasing ... passed."));
    EXPECT_TRUE(HasLine("Loading erasing proc ........ passed."));
    EXPECT_TRUE(HasLine("Erasing flash now, wait ................ passed."));
    EXPECT_EQ(sim.Boot().ErasedBlocks().size(), 12u);
    // The old firmware is gone: only the new file is left.
    const auto flash = sim.Boot().Flash().Bytes();
    EXPECT_TRUE(std::all_of(flash.begin() + 384, flash.end(), [](auto b) { return b == 0xFF; }));
}

struct DotsCase {
    std::size_t size;
    int frames;
    int dots;
};

class FirmwareFramesTest : public BlankUnitTest, public ::testing::WithParamInterface<DotsCase> {};

TEST_P(FirmwareFramesTest, ADotEveryTwentyFrames) {
    job.fileName = sim.Firmware(GetParam().size);
    EXPECT_EQ(Run(), UpgradeResult::Completed);
    EXPECT_EQ(sim.Boot().FramesWritten(), GetParam().frames);
    EXPECT_TRUE(
        HasLine("Loading FW now, wait ..." + std::string(GetParam().dots, '.') + " succeeded."));
}

INSTANTIATE_TEST_SUITE_P(Sizes, FirmwareFramesTest,
                         ::testing::Values(DotsCase{128 * 20, 20, 1}, DotsCase{128 * 21, 21, 2}));

// The unit is looked for at 19200, then at 9600 baud: twenty 0x00 at each speed.
TEST_F(HardUpgradeTest, TheUnitIsLookedForAt19200ThenAt9600) {
    job.fileName = sim.Firmware(130);
    sim.Boot().Options().speeds = {4800};
    EXPECT_EQ(Run(), UpgradeResult::Failed);
    EXPECT_EQ(log.LastLine(), "Connecting to the device ...Failed.");
    EXPECT_EQ(sim.toUnit, Bytes(40, 0x00));
    EXPECT_FALSE(port.IsOpen());

    sim.Boot().Options().speeds = {9600};
    EXPECT_EQ(Run(), UpgradeResult::Completed);
    EXPECT_EQ(sim.Boot().MatchedSpeed(), 9600u);
    EXPECT_EQ(sim.Boot().BootStarts(), 4);  // reset once for each speed in each run
}

// Which files are refused is checked with the soft upgrade, which shares the check.
TEST_F(HardUpgradeTest, AFileThatCannotBeSentIsRefusedBeforeTheUnitIsTouched) {
    job.fileName = sim.Firmware(0, "empty.bin");
    EXPECT_EQ(Run(), UpgradeResult::Failed);
    EXPECT_EQ(log.LastLine(), "The file " + job.fileName + " is empty: nothing is sent.");
    EXPECT_TRUE(sim.toUnit.empty());
    EXPECT_EQ(sim.Boot().BootStarts(), 0);
    EXPECT_FALSE(sim.network->HostAttached());
}

TEST_F(HardUpgradeTest, PlaceholderImagesAreNeverSentToARealPort) {
    // Which ports are the simulator's is checked below.
    job.fileName = sim.Firmware(130);
    job.portName = "/dev/null";
    EXPECT_EQ(Run(), UpgradeResult::Failed);
    EXPECT_EQ(log.LastLine(),
              "This build has no boot program images, only placeholders for the simulator: "
              "/dev/null is not a simulator port, nothing is sent.");
    // Images that are not placeholders may go anywhere: /dev/null is tried (and fails as the
    // terminal it is not).
    images.placeholders = false;
    const std::size_t before = log.Lines().size();
    EXPECT_EQ(Run(), UpgradeResult::Failed);
    const Lines lines = log.Lines();
    ASSERT_GT(lines.size(), before);
    for (std::size_t i = before; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].find("nothing is sent"), std::string::npos) << lines[i];
    }
    job.portName = "SIM1";
    EXPECT_EQ(Run(), UpgradeResult::Completed);
}

// "SIM1" qualifies in every run above.
TEST(SimulatorPortTest, OnlySimulatorPortsAndMarkedTerminalsQualify) {
    EXPECT_FALSE(IsSimulatorPort("/no/such/port"));

    test::PtyPair plain;
    ASSERT_FALSE(plain.Path().empty());
    EXPECT_FALSE(IsSimulatorPort(plain.Path()));

    test::PtyPair marked;
    ASSERT_TRUE(sim::MarkSimulatorTerminal(marked.Path()));
    EXPECT_TRUE(IsSimulatorPort(marked.Path()));
    test::TempDir dir;
    std::filesystem::create_symlink(marked.Path(), dir / "link");
    EXPECT_TRUE(IsSimulatorPort((dir / "link").string()));
}

TEST_F(HardUpgradeTest, ALostAcknowledgementStopsTheTransferAtThatFrame) {
    sim.Boot().Options().silentAfterFrames = 1;
    job.fileName = sim.Firmware(3 * 128);
    EXPECT_EQ(Run(), UpgradeResult::Failed);
    const Lines lines = log.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Loading FW now, wait ....Failed.");
    EXPECT_EQ(lines.back(),
              "The unit's flash is erased (or partly written); it stays in boot mode. Run "
              "Program again with the same cable.");
    EXPECT_EQ(sim.Boot().FramesWritten(), 1);
    EXPECT_FALSE(sim.Boot().EndFrameReceived());
    EXPECT_EQ(sim.network->Local().Mode(), sim::UnitMode::Boot);  // not restarted
}

TEST_F(HardUpgradeTest, AStopEndsTheRunWithoutAnotherByte) {
    job.fileName = sim.Firmware(10 * 128);
    std::stop_source stop;
    std::size_t sentAtStop = 0;
    Millis stoppedAt{0};
    UpgradeHooks hooks;
    hooks.progress = [&](std::size_t done, std::size_t) {
        if (done == 2) {
            sentAtStop = sim.toUnit.size();
            stoppedAt = sim.clock.Now();
            stop.request_stop();
        }
    };
    EXPECT_EQ(Run(stop.get_token(), hooks), UpgradeResult::Stopped);
    EXPECT_EQ(log.LastLine(), "Loading FW now, wait ....");
    EXPECT_EQ(sim.toUnit.size(), sentAtStop);
    EXPECT_EQ(sim.clock.Now(), stoppedAt);
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace skelvane
