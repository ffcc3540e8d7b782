#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace morlo::gui {

class AppContext;
class CMainFrame;

inline constexpr const char* kMsgProjectSaveFailed = "Save project file failure!! \n";

// One page row in a project file: "key,value,unit". The key is the text up to the first comma
// and the unit the text after the last one, so a value may hold commas ("1,5").
struct ProjectRow {
    QString key;  // ObjectKey in decimal
    QString value;
    QString unit;
};
QString FormatProjectRow(const ProjectRow& row);
// nullopt when the text has fewer than two commas.
std::optional<ProjectRow> ParseProjectRow(const QString& text);

// The message for project rows a page could not use: "<page>: project row 2 \"x\" cannot be
// used and was skipped!!" (several rows in one message).
QString SkippedRowsMessage(const QString& page, const QStringList& rows);

// Whether an INI file's section names make it a project: one of them is a page section.
bool IsProjectText(const std::vector<std::string>& sections);
// "<file> is no project file (it has no page in it)!! The project was not opened. \n"
QString NotAProjectMessage(const std::filesystem::path& file);

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
