#pragma once

// The programs beside the tests (skelvane-sim, skelvane-cli) as child processes.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/child_process.h"
#include "support/test_paths.h"

namespace skelvane::test {

// Built up piece by piece: "'" + text trips a false -Wrestrict in GCC 12.
inline std::string Quoted(const std::filesystem::path& path) {
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

struct CliRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr
};

// skelvane-cli with `arguments` (a shell command line), run to its end; `before` is shell
// text run first in the same shell (e.g. a ulimit).
inline CliRun RunCli(const std::string& arguments, const std::string& before = {}) {
    CliRun run;
    std::string command = before;
    command += Quoted(RuntimeDir() / "skelvane-cli");
    command += " ";
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

}  // namespace skelvane::test
