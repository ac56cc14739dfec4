#pragma once

namespace skelvane::command {

// The ids of the program's commands. Menus, toolbar and accelerators carry them, and the
// diagram forwards the commands of its context menus by id.
inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kExit = 57665;
inline constexpr int kRename = 32850;
inline constexpr int kProperties = 32782;
inline constexpr int kHardUpgrade = 32873;
inline constexpr int kSoftUpgrade = 32875;
inline constexpr int kCopy = 57634;
inline constexpr int kPasteMaster = 32882;
inline constexpr int kPasteRepeater = 32883;
inline constexpr int kPasteRemote = 32884;
inline constexpr int kDelete = 32781;
inline constexpr int kSpectrum = 32876;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kAbout = 57664;
inline constexpr int kUserGuide = 57668;
inline constexpr int kZoomIn = 32890;
inline constexpr int kZoomOut = 32891;
inline constexpr int kZoomFit = 32892;
inline constexpr int kArrange = 32893;
inline constexpr int kFindUnits = 32894;
inline constexpr int kMonitorNetwork = 32895;
inline constexpr int kReadNetwork = 32910;
inline constexpr int kCompareNetwork = 32911;
inline constexpr int kWriteNetwork = 32912;
inline constexpr int kCheckNetwork = 32913;

// Commands in [kFirstInsert, kEndInsert) start placing a new block; the id is the kind code
// of the block they place.
inline constexpr int kFirstInsert = 34789;
inline constexpr int kEndInsert = 34901;

inline bool isInsertCommand(int id) {
    return id >= kFirstInsert && id < kEndInsert;
}

}  // namespace skelvane::command
