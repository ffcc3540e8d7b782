#pragma once

#include <QTranslator>
#include <filesystem>
#include <memory>
#include <optional>

namespace morlo::gui {

class AppContext;
class CMainFrame;

// The program's own English texts and Qt's texts (file dialogs, message box buttons, context
// menus) in the program's language.
struct Translators {
    QTranslator program;
    QTranslator qt;
};

// Settles the user-interface language: the English translation where Chinese cannot be shown,
// or when sys.ini asks for it. Qt's own texts, dates and file types follow the same language.
// False when the translation is needed but cannot be loaded (the program then ends).
bool SettleLanguage(AppContext& context, Translators& translators);
// Takes the translations out of the application again.
void RemoveTranslators(Translators& translators);

// Creates and shows the main frame, then takes the screen metrics and the list captions.
CMainFrame* CreateMainFrame(AppContext& context);

// What the program's own command line says; Qt's options are left to Qt.
struct StartupArguments {
    std::filesystem::path workDir;  // --workdir
};

// Reads the command line. --help and --version are answered on stdout, a bad --workdir on
// stderr; then nullopt is returned with the exit code, before any window exists.
std::optional<StartupArguments> ReadStartupArguments(int argc, char** argv, int& exitCode);

// The whole start-up and the event loop; returns the exit code.
int RunApplication(int argc, char** argv);

}  // namespace morlo::gui
