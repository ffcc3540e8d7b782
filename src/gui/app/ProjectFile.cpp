#include "ProjectFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QMdiSubWindow>

#include "AppConstants.h"
#include "AppContext.h"
#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CMdiBackground.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "PageTable.h"
#include "profile/Profile.h"

namespace morlo::gui {
namespace {

constexpr const char* kProjectFilter = "ksp (*.ksp)";
constexpr const char* kProjectExtension = ".ksp";
constexpr const char* kTemporarySuffix = ".tmp";
constexpr std::size_t kPlacementBuffer = 64;

QString ChooseFile(AppContext& context, bool save) {
    QString proposal;
    if (QDir(context.userDir).exists()) {
        proposal = context.userDir + "name";
    }
    if (context.fileChooser) {
        return context.fileChooser(save, proposal, kProjectFilter, QString());
    }
    return save ? QFileDialog::getSaveFileName(context.mainWindow, QString(), proposal,
                                               kProjectFilter)
                : QFileDialog::getOpenFileName(context.mainWindow, QString(), proposal,
                                               kProjectFilter);
}

}  // namespace

QString FormatProjectRow(const ProjectRow& row) {
    return row.key + ',' + row.value + ',' + row.unit;
}

std::optional<ProjectRow> ParseProjectRow(const QString& text) {
    const qsizetype first = text.indexOf(',');
    const qsizetype last = text.lastIndexOf(',');
    if (first < 0 || last == first) {
        return std::nullopt;
    }
    return ProjectRow{text.left(first), text.mid(first + 1, last - first - 1), text.mid(last + 1)};
}

QString SkippedRowsMessage(const QString& page, const QStringList& rows) {
    return QString("%1: project %2 %3 cannot be used and %4 skipped!!")
        .arg(page, rows.size() == 1 ? "row" : "rows", rows.join(", "),
             rows.size() == 1 ? "was" : "were");
}

bool IsProjectText(const std::vector<std::string>& sections) {
    const QString prefix = ObjectDictionary::kProjectSectionPrefix;
    for (const std::string& name : sections) {
        const QString text = QString::fromStdString(name);
        if (text.size() > prefix.size() && text.startsWith(prefix, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

QString NotAProjectMessage(const std::filesystem::path& file) {
    return PathText(file) + " is no project file (it has no page in it)!! " + kProjectNotOpened +
           " \n";
}

QString ProjectPathFor(const QString& chosen) {
    const int slash = chosen.lastIndexOf('/');
    const QString folder = chosen.left(slash + 1);
    QString name = chosen.mid(slash + 1);
    const int dot = name.indexOf('.');
    if (dot >= 0) {
        name = name.left(dot);
    }
    return folder + name + kProjectExtension;
}

bool SaveProject(CMainFrame& frame, AppContext& context) {
    const QString chosen = ChooseFile(context, true);
    if (chosen.isEmpty()) {
        return false;
    }
    const std::filesystem::path target = FsPath(ProjectPathFor(chosen));
    std::filesystem::path temporary = target;
    temporary += kTemporarySuffix;
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    context.projectWriteFailed = false;
    context.Dictionary().SetProjectWritePath(temporary);
    frame.BroadcastToPages(notify::kSaveProject);
    context.Dictionary().SetProjectWritePath(target);
    if (context.projectWriteFailed || std::filesystem::is_directory(target, ec)) {
        // Half a project never replaces the old one.
        if (std::filesystem::is_regular_file(temporary, ec)) {
            std::filesystem::remove(temporary, ec);
        }
        ShowMessage(kMsgProjectSaveFailed);
        return false;
    }

    bool anyPage = false;
    for (int pageId = slot::kFirstPageId; pageId <= slot::kLastPageId; ++pageId) {
        anyPage = anyPage || frame.Slot(pageId) != nullptr;
    }
    if (!std::filesystem::exists(temporary, ec)) {
        if (anyPage) {
            ShowMessage(kMsgProjectSaveFailed);  // the old project stays as it was
            return false;
        }
        if (std::filesystem::is_regular_file(target, ec)) {
            std::filesystem::remove(target, ec);  // no page: the project is empty
        }
        return true;
    }
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        ShowMessage(kMsgProjectSaveFailed);
        return false;
    }
    return true;
}

bool OpenProject(CMainFrame& frame, AppContext& context) {
    const QString chosen = ChooseFile(context, false);
    if (chosen.isEmpty()) {
        return false;
    }
    // A project that cannot be read, or is none, changes nothing: the pages stay as they are.
    const std::filesystem::path file = FsPath(chosen);
    const FileProblem problem = Profile::Problem(file);
    if (problem != FileProblem::None) {
        ShowMessage(FileProblemMessage(file, problem, kProjectNotOpened));
        return false;
    }
    if (!IsProjectText(Profile::SectionNames(file))) {
        ShowMessage(NotAProjectMessage(file));
        return false;
    }
    context.Dictionary().SetProjectReadPath(FsPath(chosen));
    context.projectStamp = QDateTime::currentDateTime().toString("yyyyMMddhhmmss");
    frame.HideAllPages();

    const std::string section =
        std::string(ObjectDictionary::kProjectSectionPrefix) + std::to_string(kPlacementSection);
    const QPoint main = frame.frameGeometry().topLeft();
    for (int pageId = slot::kFirstPageId; pageId <= slot::kLastPageId; ++pageId) {
        const QString value = QString::fromStdString(
            Profile::ReadString(file, section, std::to_string(pageId), kPlacementBuffer));
        if (value.isEmpty() || value.startsWith('0')) {
            frame.SetRestoreRequest(std::nullopt);
            continue;
        }
        const QStringList fields = value.mid(2).split(',');
        // The stored offsets are from the main frame's corner, the page's top less the
        // caption; the page goes back to that very place on the screen.
        const QPoint screen(
            Profile::NumberOf(fields.value(0).toStdString()) + main.x(),
            Profile::NumberOf(fields.value(1).toStdString()) + context.captionHeight + main.y());
        const QPoint place = frame.MdiArea()->viewport()->mapFromGlobal(screen);
        frame.SetRestoreRequest(place);
        if (CChildFrame* child = frame.Slot(pageId)) {
            if (IsPanelF002Slot(pageId)) {
                context.currentPanelPageId = pageId;
            }
            frame.MdiArea()->setActiveSubWindow(child);
            child->RestoreMove(place.x(), place.y());
        } else if (const PageKind* kind = PageKindOfSlot(pageId)) {
            frame.OpenKind(*kind);
        }
    }
    frame.SetRestoreRequest(std::nullopt);
    return true;
}

}  // namespace morlo::gui
