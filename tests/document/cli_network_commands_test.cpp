// skelvane-cli info and copy, run as the program they are.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "base/prompter.h"
#include "document/network_file.h"
#include "support/test_paths.h"

namespace skelvane {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr
};

std::string Quoted(const std::filesystem::path& path) {
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

CliRun RunCli(const std::string& arguments) {
    const auto program = test::RuntimeDir() / "skelvane-cli";
    CliRun run;
    std::string command = Quoted(program);
    command += ' ';
    command += arguments;
    command += " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.output.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class CliNetworkTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(test::RuntimeDir() / "skelvane-cli")) {
            GTEST_SKIP() << "skelvane-cli is not built";
        }
    }
    test::TempDir dir;
};

TEST_F(CliNetworkTest, InfoListsTheBlocksInWalkOrder) {
    const CliRun run = RunCli("info " + Quoted(test::DataDir() / "chain-network.xml"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find(": 5 blocks\n"
                              "Network \"Network\" at (0, 0); links: none; 0 parameters\n"
                              "  Master \"Master\" at (40, 40); links: out 1 \"~\"; 71 parameters\n"
                              "  Repeater \"10\" at (40, 168); links: in 1 \"~\", out 2 \"~\"; 71 "
                              "parameters\n"
                              "  Remote \"Ma\xC3\xAEtre-B\xC3\xA2le\" at (40, 296)"),
              std::string::npos)
        << run.output;
}

TEST_F(CliNetworkTest, CopyTwiceGivesTheOriginalBack) {
    for (const char* name : {"star-network.xml", "chain-network.xml"}) {
        const auto original = test::DataDir() / name;
        EXPECT_EQ(RunCli("copy " + Quoted(original) + " " + Quoted(dir / "once.xml")).exitCode, 0);
        EXPECT_EQ(
            RunCli("copy " + Quoted(dir / "once.xml") + " " + Quoted(dir / "twice.xml")).exitCode,
            0);
        EXPECT_EQ(test::ReadFileBytes(dir / "twice.xml"), test::ReadFileBytes(original)) << name;
    }
}

TEST_F(CliNetworkTest, FailuresPrintTheMessageAndExitWithOne) {
    test::WriteFileBytes(dir / "bad.xml", "<Network><Block/></Network>");
    CliRun run = RunCli("info " + Quoted(dir / "bad.xml"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "File Format Error\nFile is not in proper XML format.\n");

    run = RunCli("copy " + Quoted(dir / "missing.xml") + " " + Quoted(dir / "out.xml"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Failed to open file."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.xml"));

    run = RunCli("copy " + Quoted(test::DataDir() / "star-network.xml") + " " +
                 Quoted(dir / "missing" / "out.xml"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "Save Failed\nUnable to save file to disk.\n");

    EXPECT_EQ(RunCli("info").exitCode, 2);
}

// skelvane-cli new: the model's template from beside the program, its Master parameter set.
struct NewCase {
    const char* arguments;  // before OUT
    const char* templateFile;
};

class CliNewTest : public CliNetworkTest, public testing::WithParamInterface<NewCase> {};

TEST_P(CliNewTest, WritesOneMasterWithTheModelsMasterParameters) {
    const auto out = dir / "new.xml";
    const CliRun made = RunCli(std::string(GetParam().arguments) + " " + Quoted(out));
    ASSERT_EQ(made.exitCode, 0) << made.output;

    LinkIdCounter ids;
    NetworkFile templates(ids);
    NetworkFile network(ids);
    RecordingPrompter prompter;
    ASSERT_TRUE(templates.Read(test::DataDir() / GetParam().templateFile, prompter));
    ASSERT_TRUE(network.Read(out, prompter));
    const Block* master = network.Root()->FirstChild();
    ASSERT_NE(master, nullptr);
    EXPECT_EQ(master->NextSibling(), nullptr);
    const Block* kindSet = templates.Root()->FirstChild();
    while (kindSet != nullptr && kindSet->Name() != "Master") {
        kindSet = kindSet->NextSibling();
    }
    ASSERT_NE(kindSet, nullptr);
    EXPECT_TRUE(master->Parameters() == kindSet->Parameters());

    const CliRun info = RunCli("info " + Quoted(out));
    EXPECT_EQ(info.exitCode, 0);
    const std::string count = std::to_string(master->Parameters().size());
    EXPECT_NE(info.output.find(": 2 blocks\n"
                               "Network \"Network\" at (0, 0); links: none; 0 parameters\n"
                               "  Master \"Master\" at (40, 40); links: out 1 \"~\"; " +
                               count + " parameters\n"),
              std::string::npos)
        << info.output;
}

INSTANTIATE_TEST_SUITE_P(Models, CliNewTest,
                         testing::Values(NewCase{"new", "TAVRIN-A.TPL"},
                                         NewCase{"new --model MORVEX-A", "MORVEX-A.TPL"},
                                         NewCase{"new --model morvex-a", "MORVEX-A.TPL"}));

TEST_F(CliNetworkTest, NewRefusesAModelThatIsNotListed) {
    const CliRun run = RunCli("new --model NOPE-9 " + Quoted(dir / "new.xml"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("NOPE-9"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("TAVRIN-A, MORVEX-A"), std::string::npos) << run.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "new.xml"));
    EXPECT_EQ(RunCli("new").exitCode, 2);
}

}  // namespace
}  // namespace skelvane
