#include "FileProblems.h"

#include "FsPath.h"

namespace morlo::gui {

QString FileProblemMessage(const std::filesystem::path& file, FileProblem problem,
                           const char* consequence) {
    return QString::fromStdString(DescribeFileProblem(file, problem)) + "!! " +
           QString::fromLatin1(consequence) + " \n";
}

QString NotWrittenMessage(const std::filesystem::path& file, const char* consequence) {
    return PathText(file) + " cannot be written!! " + QString::fromLatin1(consequence) + " \n";
}

QString NoObjectListMessage(const std::filesystem::path& file) {
    return PathText(file) + " holds no object list of this page!! " +
           QString::fromLatin1(kPageWithoutList) + " \n";
}

QString MissingListEntriesMessage(const std::filesystem::path& file, int count, int missing) {
    return QString(
               "%1 names %2 objects, but %3 of the entries are missing!! The page lists the "
               "others. \n")
        .arg(PathText(file))
        .arg(count)
        .arg(missing);
}

}  // namespace morlo::gui
