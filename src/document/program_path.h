#pragma once

#include <filesystem>

namespace skelvane {

// The folder that holds the running program's executable; empty when the system does not
// tell.
std::filesystem::path ProgramDirectory();

}  // namespace skelvane
