#include "Startup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <cmath>
#include <cstdio>
#include <string>

#include "FsPath.h"
#include "common/Version.h"
#include "common/WorkingFolder.h"

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "PageFactory.h"

namespace morlo::gui {
namespace {

// Qt's own translations (Debian: qt6-translations-l10n): qtbase_zh_CN.qm.
constexpr const char* kQtTranslation = "qtbase";

}  // namespace

bool SettleLanguage(AppContext& context, Translators& translators) {
    if (context.systemChinese == kSystemChinese && context.language.load() != kLanguageEnglish) {
        // Chinese, or a value that is neither: the program's own texts stay, and Qt's own
        // texts are Chinese too (when Qt's translations are installed).
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        if (translators.qt.load(QLocale(), kQtTranslation, "_",
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(&translators.qt);
        }
        return true;
    }
    if (!translators.program.load(context.langLibPath)) {
        ShowMessage(msg::kLoadEnglishFailed);
        return false;
    }
    QCoreApplication::installTranslator(&translators.program);
    // Qt's texts are English already; file types and the like follow the default locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    context.language = kLanguageEnglish;
    return true;
}

void RemoveTranslators(Translators& translators) {
    QCoreApplication::removeTranslator(&translators.program);
    QCoreApplication::removeTranslator(&translators.qt);
}

CMainFrame* CreateMainFrame(AppContext& context) {
    auto* frame = new CMainFrame(context);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    frame->SetPageFactory(MakeDefaultPage);
    frame->ShowAtStartPlace();
    context.mainWindow = frame;
    QScreen* screen = frame->screen() ? frame->screen() : QGuiApplication::primaryScreen();
    const int dpi = screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchX())) : 96;
    context.SetScreenMetrics(dpi);
    context.SetColumnCaptions();
    if (!context.startupProblem.isEmpty()) {
        ShowMessage(context.startupProblem);
    }
    return frame;
}

const char* const kGuiUsage =
    "usage: morloservo [--workdir DIR] [Qt options]\n"
    "       morloservo --help | --version\n"
    "commissions and diagnoses a servo drive of the family over RS-232 or CAN\n"
    "  --workdir DIR  use DIR as the working folder\n"
    "working folder (data/TARNEX.dat, sys/sys.ini): --workdir, else the current folder when it\n"
    "holds data/TARNEX.dat, else $XDG_DATA_HOME/morloservo (~/.local/share/morloservo), made\n"
    "from the installed defaults on first start\n";

std::optional<StartupArguments> ReadStartupArguments(int argc, char** argv, int& exitCode) {
    StartupArguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kGuiUsage, stdout);
            exitCode = 0;
            return std::nullopt;
        }
        if (argument == "--version") {
            std::printf("morloservo %s\n", Version());
            exitCode = 0;
            return std::nullopt;
        }
        if (argument == "--workdir") {
            if (i + 1 >= argc || *argv[i + 1] == '\0') {
                std::fputs("morloservo: --workdir needs a folder\n", stderr);
                exitCode = 2;
                return std::nullopt;
            }
            arguments.workDir = argv[++i];
        }
    }
    return arguments;
}

int RunApplication(int argc, char** argv) {
    int exitCode = 0;
    const std::optional<StartupArguments> arguments = ReadStartupArguments(argc, argv, exitCode);
    if (!arguments) {
        return exitCode;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    const WorkingFolder work =
        ChooseWorkingFolder(WorkingFolderRequest::FromEnvironment(arguments->workDir, argv[0]));
    if (!work) {
        std::fprintf(stderr, "morloservo: %s\n", work.problem.c_str());
        ShowMessage(QString::fromStdString(work.problem), QMessageBox::Critical);
        return 1;
    }
    AppContextOptions options;
    options.workDir = PathText(work.folder);
    AppContext context(options);
    Translators translators;
    if (!SettleLanguage(context, translators)) {
        return 0;
    }
    std::unique_ptr<CMainFrame> frame(CreateMainFrame(context));
    return app.exec();
}

}  // namespace morlo::gui
