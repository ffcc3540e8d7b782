#include "Startup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <cmath>

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

int RunApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    AppContext context;
    Translators translators;
    if (!SettleLanguage(context, translators)) {
        return 0;
    }
    std::unique_ptr<CMainFrame> frame(CreateMainFrame(context));
    return app.exec();
}

}  // namespace morlo::gui
