#pragma once

#include <QString>
#include <filesystem>

namespace morlo::gui {

// A file name from the user interface as a path. It goes over UTF-16, so that names outside
// ASCII (a Chinese user folder) survive on every system: a narrow string would be read in the
// local code page on Windows.
inline std::filesystem::path FsPath(const QString& text) {
    return std::filesystem::path(text.toStdU16String());
}

// A path as the user interface shows it.
inline QString PathText(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

}  // namespace morlo::gui
