#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace skelvane::test {

// The repository's data folder (templates, configuration, example networks).
inline std::filesystem::path DataDir() {
    return SKELVANE_DATA_DIR;
}
// Where the build puts the programs (and copies of the data files).
inline std::filesystem::path RuntimeDir() {
    return SKELVANE_RUNTIME_DIR;
}

// A fresh, empty directory for one test, removed again when the object goes away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Whole file as bytes / writing bytes to a file.
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// `text` cut at every `separator`; a last piece only when something follows the last one.
std::vector<std::string> Split(const std::string& text, char separator = '\n');

}  // namespace skelvane::test
