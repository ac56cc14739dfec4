#pragma once

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <string>
#include <utility>
#include <vector>

#include "../tests/support/child_process.h"

namespace skelvane::bench {

// skelvane-sim as a child process, ended with the object; its first output line is the
// terminal it serves (empty when it did not start).
class Simulator {
  public:
    explicit Simulator(std::vector<std::string> args = {})
        : process_(SKELVANE_RUNTIME_DIR "/skelvane-sim", std::move(args)),
          path_(process_.NextLine()) {}
    const std::string& Path() const { return path_; }

  private:
    test::ChildProcess process_;
    std::string path_;
};

// The CPU time this process has used, user and system, in seconds.
inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A counter of a finished run, 0 when the run has none.
inline double CounterOf(const benchmark::BenchmarkReporter::Run& run, const char* name) {
    const auto it = run.counters.find(name);
    return it == run.counters.end() ? 0.0 : it->second.value;
}

}  // namespace skelvane::bench
