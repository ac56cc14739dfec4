#pragma once

#include <string_view>

namespace skelvane {

// The program's string table: message texts and captions known by their ids. Texts are
// Latin-1 and used exactly as they stand.
enum StringId : int {
    kIdsError = 130,    // caption of error messages
    kIdsAppName = 131,  // caption "Skelvane"
    kIdsNameEmpty = 134,
    kIdsNameInvalid = 135,
    kIdsFileOpenFailed = 139,
    kIdsFileFormat = 140,
    kIdsUnknownBlockType = 141,
    kIdsFileCreate = 142,
    kIdsNetworkFilter = 143,
    kIdsSaveFailed = 144,
    kIdsParseError = 146,
    kIdsDiscardChanges = 61403,
};

// The text of a string id; an empty view for an id that is not in the table.
std::string_view LoadText(int id);

}  // namespace skelvane
