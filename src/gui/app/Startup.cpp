#include "Startup.h"

#include <QApplication>
#include <QScreen>
#include <cmath>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "PageFactory.h"

namespace morlo::gui {

bool SettleLanguage(AppContext& context, QTranslator& translator) {
    if (context.systemChinese == kSystemChinese && context.language.load() != kLanguageEnglish) {
        return true;  // Chinese, or a value that is neither: the program's own texts stay
    }
    if (!translator.load(context.langLibPath)) {
        ShowMessage(msg::kLoadEnglishFailed);
        return false;
    }
    QCoreApplication::installTranslator(&translator);
    context.language = kLanguageEnglish;
    return true;
}

CMainFrame* CreateMainFrame(AppContext& context) {
    auto* frame = new CMainFrame(context);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    frame->SetPageFactory(MakeDefaultPage);
    frame->showNormal();
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
    QTranslator translator;
    if (!SettleLanguage(context, translator)) {
        return 0;
    }
    std::unique_ptr<CMainFrame> frame(CreateMainFrame(context));
    return app.exec();
}

}  // namespace morlo::gui
