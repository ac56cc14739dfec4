#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <tuple>

#include "base/format.h"
#include "sim/unit_flash.h"
#include "upgrade/crc16.h"
#include "upgrade/soft_upgrade.h"
#include "upgrade_fixture.h"

namespace skelvane {
namespace {

using Lines = std::vector<std::string>;
using test::Bytes;

// One soft upgrade on the test's thread against the simulated network.
class SoftUpgradeTest : public ::testing::Test {
  protected:
    SoftUpgradeTest() {
        job.portName = "SIM1";
        job.retries = "1";
        sim.Record();
    }

    UpgradeResult Run(std::stop_token stop = {}, const UpgradeHooks& hooks = {}) {
        SoftUpgrade upgrade(port, log, sim.clock);
        return upgrade.Run(job, stop, hooks);
    }

    // The 0x41 requests the unit got, by subcommand.
    std::vector<Bytes> Requests(std::uint8_t subcommand) const {
        std::vector<Bytes> found;
        for (const Bytes& frame : test::SplitFrames(sim.toUnit)) {
            if (frame.size() >= 5 && frame[3] == 0x41 && frame[4] == subcommand) {
                found.push_back(frame);
            }
        }
        return found;
    }

    // Replaces the unit's 0x41 handler by `change` applied to the simulator's answer.
    void ChangeAnswers(
        std::function<std::optional<sim::Reply>(const sim::Frame&, std::optional<sim::Reply>)>
            change,
        std::uint16_t ua = 0) {
        std::shared_ptr<sim::SoftUpgradeSide> side = sim.sides.soft.at(ua);
        sim::Unit& unit = ua == 0 ? sim.network->Local() : *sim.network->FindRemote(ua);
        unit.SetFrameHandler(0x41, [side, change](sim::Unit& self, const sim::Frame& frame) {
            return change(frame, side->Handle(self, frame));
        });
    }

    test::UpgradeSim sim;
    SerialPort port{sim.ports};
    UpgradeLog log{sim.clock};
    SoftUpgradeJob job;
};

TEST_F(SoftUpgradeTest, TwoHundredBytesGoAsTwoBlocksAndTheUnitWritesThem) {
    job.fileName = sim.Firmware(200);
    const Bytes file = test::FileBytes(job.fileName);
    const std::uint16_t crc = ImageCrc(file);
    const std::string before = sim.network->Local().Version();

    EXPECT_EQ(Run(), UpgradeResult::Completed);

    EXPECT_EQ(
        log.Lines(),
        (Lines{" ", "Start to program UnitAddres = 0... ", "Opening serial port SIM1 ... done.",
               "Changing baud rate to 115,200 ... passed.", "Reading firmware version ... passed.",
               "Initialize FLASH Programming ... passed.", "Sending firmware data ...",
               "Loading FLASH image ... ", " ", "Block 1/2, wait ... done.",
               "Block 2/2, wait ... done. passed.", "CRC Checking ...",
               Format("Calculated CRC=%04X/Reported CRC=%04X passed.", crc, crc),
               "Arm upgrading ... passed.", "Start to write FLASH ... passed.",
               "Polling the unit ... passed!", "Upgrade Completed, UnitAddres = 0.",
               "Reading firmware version ... passed.",
               "Firmware: " + before + " before, " + sim.network->Local().Version() + " now."}));

    // The frames as they went out: 135 bytes a block, the second block padded with 0xFF.
    const std::vector<Bytes> blocks = Requests(0x01);
    ASSERT_EQ(blocks.size(), 2u);
    Bytes second = {0x86, 0x00, 0x00, 0x41, 0x01, 0x00, 0x01};
    second.insert(second.end(), file.begin() + 128, file.end());
    second.insert(second.end(), 56, 0xFF);
    EXPECT_EQ(blocks[1], second);
    EXPECT_EQ(Requests(0x02), (std::vector<Bytes>{{0x06, 0x00, 0x00, 0x41, 0x02, 0x4B, 0x1D}}));
    EXPECT_EQ(Requests(0x00).size(), 2u);  // initialize and poll

    // The unit holds the image and runs a new version.
    Bytes image = file;
    image.resize(262144, 0xFF);
    const auto flash = sim.Soft().Flash().Bytes();
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), image.begin(), image.end()));
    EXPECT_NE(sim.network->Local().Version(), before);
    EXPECT_FALSE(port.IsOpen());
}

// Without the CRC check the unit is not asked for its CRC: the flash itself is compared.
TEST_F(SoftUpgradeTest, AWholeImageOf2048BlocksIsAccepted) {
    job.fileName = sim.Firmware(262144);
    job.crcVerify = false;
    EXPECT_EQ(Run(), UpgradeResult::Completed);
    EXPECT_EQ(Requests(0x01).size(), 2048u);
    EXPECT_TRUE(Requests(0x04).empty());
    EXPECT_EQ(sim.Soft().Flash().Crc(), ImageCrc(test::FileBytes(job.fileName)));
}

// A file that cannot be sent is refused before the port is opened; a port that is not there
// fails the run.
TEST_F(SoftUpgradeTest, AFileOrPortThatCannotBeUsedFailsBeforeAnythingIsSent) {
    const std::string ok = sim.Firmware(10);
    const std::string missing = (sim.dir / "missing.bin").string();
    const std::string empty = sim.Firmware(0, "empty.bin");
    const std::string big = sim.Firmware(262145, "big.bin");
    const std::string fifo = (sim.dir / "fifo.bin").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {missing, "SIM1", "Couldn't access file " + missing},
        {empty, "SIM1", "The file " + empty + " is empty: nothing is sent."},
        {big, "SIM1",
         "The file " + big + " is larger than the unit's flash of 262144 bytes: nothing is sent."},
        {fifo, "SIM1",
         "The file " + fifo +
             " is not a regular file (a folder, a device or a pipe): nothing is sent."},
        {ok, "", "Start to program UnitAddres = 0... "},
        {ok, "SIM9", "Opening serial port SIM9 ... failed."},
    };
    for (const auto& [name, portName, line] : cases) {
        job.fileName = name;
        job.portName = portName;
        log.Clear();
        EXPECT_EQ(Run(), UpgradeResult::Failed);
        EXPECT_EQ(log.LastLine(), line);
    }
    EXPECT_TRUE(sim.toUnit.empty());
    EXPECT_FALSE(sim.network->HostAttached());
}

TEST_F(SoftUpgradeTest, ALostOrCutAcknowledgementCostsAFewRoundTripsAndIsShown) {
    job.fileName = sim.Firmware(10 * 128);
    ASSERT_EQ(Run(), UpgradeResult::Completed);
    const Millis clean = sim.clock.Elapsed();

    // Once the first blocks have set the pace, an acknowledgement that never comes, or that
    // lost a byte and so never completes, is given up after the shortest wait (1 s) instead
    // of the whole 10 s collection.
    const std::function<void()> faults[] = {
        [this] { sim.Soft().Options().lostBlockAcks = {7}; },
        [this] {
            sim::Unit& unit = sim.network->Local();
            ChangeAnswers([&unit, once = true](const sim::Frame& frame,
                                               std::optional<sim::Reply> reply) mutable {
                if (reply && once && frame.payload.size() > 2 && frame.payload[0] == 0x01 &&
                    frame.payload[2] == 7) {
                    once = false;
                    reply->late = unit.BuildReply(*reply);
                    reply->late.pop_back();
                    reply->withheld = true;
                }
                return reply;
            });
        },
    };
    for (const auto& fault : faults) {
        fault();
        std::vector<std::string> notices;
        UpgradeHooks hooks;
        hooks.retry = [&notices](const std::string& text) { notices.push_back(text); };
        const Millis start = sim.clock.Now();
        ASSERT_EQ(Run({}, hooks), UpgradeResult::Completed);
        const Millis lossy = sim.clock.Now() - start;
        EXPECT_GE(lossy - clean, Millis{1000});
        EXPECT_LT(lossy - clean, Millis{1500});
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].rfind("Block 8/10: retry 1 of 1, at most ", 0), 0u) << notices[0];
    }
}

TEST_F(SoftUpgradeTest, AnAcknowledgementForAnotherBlockIsDrainedAndTheBlockSentAgain) {
    bool wrongOnce = true;
    ChangeAnswers([&wrongOnce](const sim::Frame& frame, std::optional<sim::Reply> reply) {
        if (reply && frame.payload[0] == 0x01 && wrongOnce) {
            wrongOnce = false;
            reply->payload[2] ^= 0x01;
        }
        return reply;
    });
    job.fileName = sim.Firmware(200);
    EXPECT_EQ(Run(), UpgradeResult::Completed);
    EXPECT_EQ(log.Lines()[9], "Block 1/2, wait ... retry1  done.");
    EXPECT_EQ(Requests(0x01).size(), 3u);
    // The rest of the wrong answer passes within a read; the start-writing request, which
    // the unit does not answer, costs its 10 s.
    EXPECT_GE(sim.clock.Elapsed(), Millis{10000});
    EXPECT_LT(sim.clock.Elapsed(), Millis{11000});
}

TEST_F(SoftUpgradeTest, AUnitThatRefusesToStartWritingIsAskedAgain) {
    ChangeAnswers([](const sim::Frame& frame, std::optional<sim::Reply> reply) {
        if (frame.payload[0] == 0x03) {
            return std::optional<sim::Reply>(sim::Reply{0xA5, {0x03}, Millis{0}});
        }
        return reply;
    });
    job.fileName = sim.Firmware(200);
    job.retries = "2";
    EXPECT_EQ(Run(), UpgradeResult::Failed);
    EXPECT_EQ(log.LastLine(), "Start to write FLASH ... retry. retry.failed.");
    EXPECT_EQ(Requests(0x03).size(), 2u);
    EXPECT_EQ(sim.Soft().Flash().Writes(), 0);
}

TEST_F(SoftUpgradeTest, ACrcMismatchIsNeverRetriedAndNeverArms) {
    sim.Soft().Options().wrongCrc = true;
    job.fileName = sim.Firmware(200);
    job.retries = "100";
    const std::uint16_t crc = ImageCrc(test::FileBytes(job.fileName));
    EXPECT_EQ(Run(), UpgradeResult::Failed);
    const Lines lines = log.Lines();
    EXPECT_EQ(lines[lines.size() - 2], "CRC Checking ...");
    EXPECT_EQ(lines.back(),
              Format("Calculated CRC=%04X/Reported CRC=%04X retry.failed.", crc, crc ^ 0x0101));
    EXPECT_EQ(Requests(0x04).size(), 1u);
    EXPECT_TRUE(Requests(0x02).empty());  // and so never writes its flash
}

// Faults that must never end in "Completed" unless the unit really runs the new image.
struct UnitFaultCase {
    const char* name;
    std::function<void(test::UpgradeSim&)> inject;
    UpgradeResult result;
    const char* lastLine;  // {} for a completed run, checked through the flash instead
};

class UnitFaultTest : public SoftUpgradeTest,
                      public ::testing::WithParamInterface<UnitFaultCase> {};

TEST_P(UnitFaultTest, SucceedsOnlyWithTheNewVersion) {
    const UnitFaultCase& c = GetParam();
    job.fileName = sim.Firmware(5 * 128);
    job.retries = "3";
    const std::string before = sim.network->Local().Version();
    job.expectVersion = sim::NextVersion(before);
    c.inject(sim);
    EXPECT_EQ(Run(), c.result);
    const bool written = sim.Soft().Flash().Crc() == ImageCrc(test::FileBytes(job.fileName));
    EXPECT_EQ(written, c.result == UpgradeResult::Completed);
    EXPECT_EQ(sim.network->Local().Version() == before, !written);
    if (c.lastLine != nullptr) {
        EXPECT_EQ(log.LastLine(), Format(c.lastLine, before.c_str(), job.expectVersion.c_str()));
    } else {
        EXPECT_EQ(log.LastLine(),
                  "Firmware: " + before + " before, " + job.expectVersion + " now.");
    }
    EXPECT_FALSE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UnitFaultTest,
    ::testing::Values(
        UnitFaultCase{"LostStartWriting",
                      [](test::UpgradeSim& s) { s.Soft().Options().faults.lostStartWriting = 1; },
                      UpgradeResult::Failed, "Unit 0 reports %s, not the expected %s."},
        // Every acknowledgement arrives only with the next answer: none is taken for another
        // block's, and the image arrives whole.
        UnitFaultCase{"LateAcknowledgements",
                      [](test::UpgradeSim& s) { s.Soft().Options().faults.lateBlockAck = 1; },
                      UpgradeResult::Completed, nullptr},
        UnitFaultCase{"ShortAcknowledgements",
                      [](test::UpgradeSim& s) { s.Soft().Options().shortBlockAcks = true; },
                      UpgradeResult::Completed, nullptr},
        UnitFaultCase{"PortRefusesWrites",
                      [](test::UpgradeSim& s) { s.network->SetRefuseWritesAfter(4); },
                      UpgradeResult::Failed, "Writing to SIM1 failed: 0 of 135 bytes went out."}),
    [](const auto& info) { return std::string(info.param.name); });

// A unit that falls silent after N blocks: the transfer, or the CRC query after the last
// block, fails, and the unit is never asked to arm (silent, it could not write anyway).
class SilentAfterBlocksTest : public SoftUpgradeTest, public ::testing::WithParamInterface<int> {};

TEST_P(SilentAfterBlocksTest, EndsWithFailedAndTheUnitNotArmed) {
    const int n = GetParam();
    sim.Soft().Options().silentAfterBlocks = n;
    job.fileName = sim.Firmware(10 * 128);
    EXPECT_EQ(Run(), UpgradeResult::Failed);
    if (n < 10) {
        EXPECT_EQ(log.LastLine(), Format("Block %d/10, wait ... retry1  retry2 failed.", n + 1));
    } else {
        EXPECT_EQ(log.LastLine(), "CRC Checking ... retry.failed.");
    }
    EXPECT_EQ(sim.Soft().BlocksAcknowledged(), n);
    EXPECT_TRUE(Requests(0x02).empty());
}

INSTANTIATE_TEST_SUITE_P(Blocks, SilentAfterBlocksTest, ::testing::Values(0, 5, 10));

TEST_F(SoftUpgradeTest, AStopEndsTheRunAtOnceAndLogsNothingMore) {
    job.fileName = sim.Firmware(10 * 128);
    std::stop_source stop;
    Millis stoppedAt{0};
    UpgradeHooks hooks;
    hooks.progress = [&](std::size_t done, std::size_t) {
        if (done == 3) {
            stoppedAt = sim.clock.Now();
            stop.request_stop();
        }
    };
    EXPECT_EQ(Run(stop.get_token(), hooks), UpgradeResult::Stopped);
    EXPECT_EQ(log.LastLine(), "Block 3/10, wait ... done.");
    EXPECT_EQ(Requests(0x01).size(), 3u);
    EXPECT_EQ(sim.clock.Now(), stoppedAt);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SoftUpgradeTest, AStopCutsAReplyWaitShort) {
    sim.Soft().Options().ignoreInitialize = true;
    job.fileName = sim.Firmware(200);
    job.retries = "0";  // until stopped
    std::stop_source stop;
    int initializeRequests = 0;
    sim.network->SetTrafficObserver([&](sim::Direction direction, std::span<const std::uint8_t> b) {
        if (direction == sim::Direction::ToUnit && b.size() == 5 && ++initializeRequests == 3) {
            stop.request_stop();
        }
    });
    EXPECT_EQ(Run(stop.get_token()), UpgradeResult::Stopped);
    // The version read, two whole waits of 200 reads; the third ends with the stop.
    EXPECT_EQ(sim.clock.Elapsed(), Millis{20004});
    EXPECT_EQ(log.LastLine(), "Initialize FLASH Programming ... retry. retry.");
}

}  // namespace
}  // namespace skelvane
