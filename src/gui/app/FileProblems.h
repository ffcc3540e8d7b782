#pragma once

#include <QString>
#include <filesystem>

#include "profile/FileAccess.h"

namespace morlo::gui {

// What the program does instead when a file cannot be read.
inline constexpr const char* kDefaultsUsed = "The default settings are used.";
inline constexpr const char* kPageWithoutList = "The page starts without its default objects.";
inline constexpr const char* kProjectNotOpened = "The project was not opened.";
inline constexpr const char* kSettingNotSaved = "The setting was not saved.";
inline constexpr const char* kFunctionsUnnamed = "The functions are shown by their codes only.";

// The one message for a file that cannot be read: what is wrong with it, then what happens.
QString FileProblemMessage(const std::filesystem::path& file, FileProblem problem,
                           const char* consequence);

// A file that could not be written: "<file> cannot be written!! <consequence> \n".
QString NotWrittenMessage(const std::filesystem::path& file, const char* consequence);

// A page's list file that has no "num" in the page's section: "<file> holds no object list of
// this page!! The page starts without its default objects. \n"
QString NoObjectListMessage(const std::filesystem::path& file);
// A list file whose "num" names more entries than it holds (a file cut short).
QString MissingListEntriesMessage(const std::filesystem::path& file, int count, int missing);

// Whether the file exists but cannot be read (a missing file is an ordinary case).
inline bool IsBroken(FileProblem problem) {
    return problem == FileProblem::NotAFile || problem == FileProblem::Unreadable;
}

}  // namespace morlo::gui
