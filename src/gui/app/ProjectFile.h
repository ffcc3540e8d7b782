#pragma once

#include <QString>

namespace morlo::gui {

class AppContext;
class CMainFrame;

inline constexpr const char* kMsgProjectSaveFailed = "Save project file failure!! \n";

// The project file name for a chosen path: the file name is cut at its first "." and
// ".ksp" is appended; the folders stay as they are.
QString ProjectPathFor(const QString& chosen);

// Saves which pages are open, where, and their rows. The pages write into a temporary file
// that replaces the project only when complete. False when cancelled or not written.
bool SaveProject(CMainFrame& frame, AppContext& context);

// Opens a project: hides the pages, restores those that were shown at their places, and
// lets pages created from now on take their rows from it.
bool OpenProject(CMainFrame& frame, AppContext& context);

}  // namespace morlo::gui
