#include "base/strings.h"

#include <array>
#include <utility>

namespace skelvane {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 12> kTable{{
    {kIdsError, "Error"},
    {kIdsAppName, "Skelvane"},
    {kIdsNameEmpty, "The name is empty.\r\nCannot have an empty name."},
    {kIdsNameInvalid,
     "Invalid characters in name.\r\nPlease remove the invalid characters. Only A-Z and 0-9 is "
     "allowed."},
    {kIdsFileOpenFailed, "File failure\r\nFailed to open file."},
    {kIdsFileFormat, "File Format Error\r\nFile is not in proper XML format."},
    {kIdsUnknownBlockType, "Unknown Block Type?\r\nUnknown block type in file. Bad File?"},
    {kIdsFileCreate, "File Create Error\r\nUnable to create the file."},
    {kIdsNetworkFilter, "Network Files (*.xml)|*.xml|All Files (*.*)|*.*|"},
    {kIdsSaveFailed, "Save Failed\r\nUnable to save file to disk."},
    {kIdsParseError, "File Error\r\nError in parsing file."},
    {kIdsDiscardChanges,
     "File is changed but not saved. \n\nDo you want to discard changes you made?"},
}};

}  // namespace

std::string_view LoadText(int id) {
    for (const auto& [key, text] : kTable) {
        if (key == id) {
            return text;
        }
    }
    return {};
}

}  // namespace skelvane
