#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace skelvane {

// A filter of the string table ("Network Files (*.xml)|*.xml|All Files (*.*)|*.*|": pairs of
// description and pattern, each part ended by '|') as a file dialog wants it: "Network Files
// (*.xml);;All Files (*.*)". A description without its pattern part is dropped.
QString fileDialogFilter(std::string_view table);

// File names between the dialogs and the documents, which keep them in the file system's own
// encoding.
std::filesystem::path toPath(const QString& name);
QString fromPath(const std::filesystem::path& path);
QString fromNativeName(const std::string& name);

}  // namespace skelvane
