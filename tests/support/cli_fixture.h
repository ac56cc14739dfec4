#pragma once

// A test of skelvane-cli run as the program it is, on network files in a folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "document/network_file.h"
#include "support/programs.h"
#include "support/test_paths.h"

namespace skelvane::test {

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(RuntimeDir() / "skelvane-cli")) {
            GTEST_SKIP() << "skelvane-cli is not built";
        }
    }
    // The parameters of the Master of the network file at `path`.
    static std::vector<Parameter> MasterParameters(const std::filesystem::path& path) {
        LinkIdCounter ids;
        NetworkFile document(ids);
        RecordingPrompter prompter;
        EXPECT_TRUE(document.Read(path, prompter));
        return document.Root()->FirstChild()->Parameters();
    }
    // The parameter called `name`, or an empty one named "<missing>".
    static const Parameter& Find(const std::vector<Parameter>& parameters, std::string_view name) {
        for (const Parameter& parameter : parameters) {
            if (parameter.name == name) {
                return parameter;
            }
        }
        static const Parameter missing = [] {
            Parameter none;
            none.name = none.textValue = "<missing>";
            return none;
        }();
        return missing;
    }

    TempDir dir;
};

}  // namespace skelvane::test
