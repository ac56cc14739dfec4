#include <gtest/gtest.h>

#include <chrono>

#include "operations/hard_upgrade_model.h"
#include "operations/soft_upgrade_model.h"
#include "sim/builtin_network.h"
#include "support/wait_until.h"
#include "upgrade/crc16.h"
#include "upgrade/upgrade_fixture.h"

namespace skelvane {
namespace {

using Lines = std::vector<std::string>;
using test::Bytes;
using namespace std::chrono_literals;

LocalTime At(int hour, int minute) {
    return LocalTime{2008, 5, 1, hour, minute, 0, 0};
}

SchedulePickers Window(LocalTime start, LocalTime end) {
    return SchedulePickers{start, start, end, end};
}

// The view's switches that are on, in a fixed order.
std::string On(const SoftUpgradeView& v) {
    std::string on;
    for (const auto& [flag, name] :
         {std::pair{v.armed, "armed "}, std::pair{v.active, "active "},
          std::pair{v.startEnabled, "start "}, std::pair{v.stopEnabled, "stop "},
          std::pair{v.programEnabled, "program "}}) {
        on += flag ? name : "";
    }
    return on;
}

std::size_t Count(const Lines& lines, const std::string& line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

class SoftUpgradeModelTest : public ::testing::Test {
  protected:
    SoftUpgradeModelTest() {
        file = sim.Firmware(300);
        sim.network->SetTrafficObserver(
            [this](sim::Direction direction, std::span<const std::uint8_t> bytes) {
                if (direction == sim::Direction::ToUnit) {
                    if (!firstRequestAt) {
                        firstRequestAt = sim.clock.LocalNow();
                    }
                    if (bytes.size() >= 3) {
                        addressed.push_back(static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]));
                    }
                }
            });
    }

    void Fields(const std::string& uaList, const std::string& retries = "1") {
        SoftUpgradeFields fields = model.Fields();
        fields.uaList = uaList;
        fields.retries = retries;
        model.SetFields(fields);
    }
    // The file chosen and the schedule for `uaList` from `start` to `end`, started.
    bool Arm(const std::string& uaList, LocalTime start, LocalTime end) {
        Fields(uaList);
        model.BrowseFile(file);
        model.SetPickers(Window(start, end));
        return model.Start();
    }

    // The one-second timer until the schedule has ended (each worker runs to its end between
    // two ticks) or `seconds` have passed.
    void RunTicks(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            model.Tick();
            model.WaitForWorker();
            if (!model.View().armed) {
                return;
            }
            sim.clock.Advance(1000ms);
        }
    }

    sim::Unit& AddRemote(std::uint16_t ua) {
        sim::Unit* unit = sim.network->AddRemote(sim::MakeBuiltInUnit(sim::BuiltInRole::Remote, ua),
                                                 sim::kRemoteLatency);
        sim.sides.soft[ua] =
            sim::SoftUpgradeSide::Install(*unit, std::make_shared<sim::UnitFlash>());
        return *unit;
    }

    test::UpgradeSim sim;  // starts at 13:45:12.007
    std::string file;
    ScheduleTable schedule;
    RecordingPrompter prompter;
    SoftUpgradeModel model{sim.ports, "SIM1", 0, schedule, sim.clock, prompter};
    std::optional<LocalTime> firstRequestAt;
    std::vector<std::uint16_t> addressed;
};

TEST_F(SoftUpgradeModelTest, BrowsingEnablesProgramAndStartOnlyForAReadableFile) {
    EXPECT_EQ(On(model.View()), "");
    model.BrowseFile(file);
    EXPECT_EQ(On(model.View()), "start program ");
    const std::string missing = (sim.dir / "missing.bin").string();
    model.BrowseFile(missing);
    EXPECT_EQ(On(model.View()), "");
    EXPECT_EQ(model.Log().Lines(),
              (Lines{"Selected file: " + file, "Couldn't access file " + missing}));
    EXPECT_FALSE(model.Program());
    model.SetUnitAddress(1);  // the local unit's own address
    EXPECT_EQ(model.View().picture, SoftUpgradePicture::IdleLocal);
}

TEST_F(SoftUpgradeModelTest, CancelAppendsToTheLineInProgressAndStopsTheWorker) {
    sim.Soft().Options().ignoreInitialize = true;
    Fields("", "0");  // retried until cancelled
    model.BrowseFile(file);
    ASSERT_TRUE(model.Program());
    ASSERT_TRUE(
        test::WaitUntil([&] { return model.Log().LastLine().ends_with(" retry. retry."); }));
    EXPECT_EQ(model.View().programText, "Cancel");
    EXPECT_EQ(model.View().picture, SoftUpgradePicture::BusyLocal);
    EXPECT_FALSE(model.Program());  // "Cancel"
    EXPECT_FALSE(model.WorkerRunning());
    const std::string last = model.Log().LastLine();
    EXPECT_EQ(last.rfind("Initialize FLASH Programming ... retry.", 0), 0u) << last;
    EXPECT_TRUE(last.ends_with(" retry. cancelled.")) << last;
    EXPECT_EQ(model.LastResult(), UpgradeResult::Stopped);
    EXPECT_EQ(model.View().programText, "Program");
    EXPECT_EQ(model.View().picture, SoftUpgradePicture::IdleLocal);
}

TEST_F(SoftUpgradeModelTest, ScheduledUnitsRunFromTheStartMinuteOneAfterAnother) {
    const std::string logFile = (sim.dir / "upgrade.txt").string();
    model.BrowseLogFile(logFile);
    AddRemote(302);
    model.SetUnitAddress(302);  // the unit of the block the dialog is for
    ASSERT_TRUE(Arm("300, 301", At(13, 46), At(13, 55)));
    EXPECT_EQ(On(model.View()), "armed stop ");
    EXPECT_FALSE(model.Program());  // disabled while armed

    RunTicks(600);

    ASSERT_TRUE(firstRequestAt);
    EXPECT_EQ(firstRequestAt->hour, 13);
    EXPECT_EQ(firstRequestAt->minute, 46);
    const std::uint16_t crc = ImageCrc(test::FileBytes(file));
    EXPECT_EQ(sim.Soft(300).Flash().Crc(), crc);
    EXPECT_EQ(sim.Soft(301).Flash().Crc(), crc);
    EXPECT_EQ(schedule.FirstPending(), std::nullopt);
    EXPECT_EQ(On(model.View()), "start program ");
    EXPECT_EQ(test::ReadFileBytes(logFile).rfind("2008-05-01 13:45:12:007  Log file: \r\n"
                                                 "2008-05-01 13:45:12:007  Log file: " +
                                                     logFile + "\r\n",
                                                 0),
              0u);

    // Program goes back to the dialog's unit, not the schedule's last.
    EXPECT_EQ(model.View().unitAddress, 302);
    addressed.clear();
    ASSERT_TRUE(model.Program());
    model.WaitForWorker();
    EXPECT_EQ(model.LastResult(), UpgradeResult::Completed);
    EXPECT_EQ(sim.Soft(302).Flash().Crc(), crc);
    EXPECT_TRUE(std::all_of(addressed.begin(), addressed.end(),
                            [](std::uint16_t ua) { return ua == 302; }));
}

TEST_F(SoftUpgradeModelTest, AUnitThatNeverAnswersHoldsBackTheUnitsAfterIt) {
    AddRemote(10).SetSilentAfter(0);
    AddRemote(20);
    ASSERT_TRUE(Arm("10 20", At(13, 46), At(13, 48)));

    RunTicks(600);

    const Lines lines = model.Log().Lines();
    EXPECT_GE(Count(lines, "Start to program UnitAddres = 10... "), 5u);
    EXPECT_EQ(Count(lines, "Start to program UnitAddres = 20... "), 0u);
    EXPECT_EQ(std::count(addressed.begin(), addressed.end(), 20), 0);
    EXPECT_EQ(Count(lines, "Scheduled upgrade completed!"), 0u);
    EXPECT_FALSE(model.View().armed);
    EXPECT_EQ(schedule.FirstPending(), 10);
    // Nothing started after the end minute.
    EXPECT_LT(sim.clock.LocalNow().minute, 49);
}

// Stopped before its start minute the schedule never starts; stopped during a unit's upgrade
// it lets that unit finish but keeps its entry.
TEST_F(SoftUpgradeModelTest, StopKeepsTheScheduleFromGoingOn) {
    ASSERT_TRUE(Arm("300", At(13, 46), At(13, 50)));
    model.Stop();
    EXPECT_EQ(On(model.View()), "start program ");
    RunTicks(30);
    EXPECT_FALSE(firstRequestAt);

    model.SetProgressListener([this](std::size_t done, std::size_t) {
        if (done == 1) {
            model.Stop();
        }
    });
    ASSERT_TRUE(model.Start());
    sim.clock.Advance(1min);
    model.Tick();
    model.WaitForWorker();
    EXPECT_EQ(model.LastResult(), UpgradeResult::Completed);
    EXPECT_FALSE(model.View().armed);
    EXPECT_EQ(schedule.FirstPending(), 300);
}

TEST_F(SoftUpgradeModelTest, ALateTickStillFindsTheWindowOpenOrClosed) {
    ASSERT_TRUE(Arm("300", At(13, 46), At(13, 50)));
    sim.clock.Advance(2min);  // no tick in the start minute
    model.Tick();
    EXPECT_TRUE(model.View().active);
    model.WaitForWorker();
    EXPECT_EQ(model.LastResult(), UpgradeResult::Completed);

    model.SetPickers(Window(At(13, 49), At(13, 50)));
    ASSERT_TRUE(model.Start());
    sim.clock.Advance(5min);  // no tick until after the end minute
    model.Tick();
    EXPECT_FALSE(model.View().armed);
    EXPECT_FALSE(model.WorkerRunning());
}

TEST_F(SoftUpgradeModelTest, ARefusedStartShowsItsMessageAndArmsNothing) {
    model.BrowseFile(file);
    const std::tuple<const char*, LocalTime, LocalTime, std::string> refusals[] = {
        {"0", At(13, 50), At(13, 55), ""},
        {"300", At(13, 44), At(13, 50), "Starting time should be no earlier than Current time."},
        {"300", At(13, 50), At(13, 50), "Enging time should be later than Starting time."}};
    for (const auto& [uaList, start, end, message] : refusals) {
        Fields(uaList);
        model.SetPickers(Window(start, end));
        const std::size_t shown = prompter.Count();
        EXPECT_FALSE(model.Start()) << message;
        EXPECT_FALSE(model.View().armed);
        EXPECT_EQ(prompter.Count() - shown, message.empty() ? 0u : 1u);
        if (!message.empty()) {
            EXPECT_EQ(prompter.LastText(), message);
            EXPECT_EQ(prompter.Records().back().caption, "Error");
        }
    }
}

TEST(HardUpgradeModelTest, ProgramNeedsAFileAndRunsToTheEnd) {
    test::UpgradeSim sim;
    HardUpgradeModel model(sim.ports, "SIM1", sim.clock, PlaceholderBootImages());
    EXPECT_FALSE(model.Program());  // no file yet
    model.BrowseFile(sim.Firmware(130));
    ASSERT_TRUE(model.Program());
    model.WaitForWorker();
    EXPECT_EQ(model.LastResult(), UpgradeResult::Completed);
    EXPECT_EQ(model.Log().LastLine(), "Hard upgrade of the unit on the cable done in 21.6 s.");
    EXPECT_EQ(model.View().programText, "Program");
}

TEST(HardUpgradeModelTest, CancelDuringTheResetPulse) {
    // In real time: the worker sits in the 500 ms pulse that resets the unit into boot mode.
    test::BuiltInSim<SystemClock> sim;
    sim::InstallUpgradeSides(*sim.network);
    test::TempDir dir;
    test::WriteFileBytes(dir / "fw.bin", std::string(300, 'x'));

    HardUpgradeModel model(sim.ports, "SIM1", sim.clock, PlaceholderBootImages());
    model.BrowseFile((dir / "fw.bin").string());
    ASSERT_TRUE(model.Program());
    ASSERT_TRUE(
        test::WaitUntil([&] { return model.Log().LastLine() == "Connecting to the device ..."; }));
    EXPECT_EQ(model.View().picture, HardUpgradePicture::Busy);
    EXPECT_FALSE(model.Program());  // "Cancel"
    EXPECT_FALSE(model.WorkerRunning());
    EXPECT_EQ(model.Log().LastLine(), "Connecting to the device ... cancelled.");
    EXPECT_EQ(model.LastResult(), UpgradeResult::Stopped);
    EXPECT_EQ(model.View().programText, "Program");
    EXPECT_EQ(model.View().picture, HardUpgradePicture::Idle);
}

}  // namespace
}  // namespace skelvane
