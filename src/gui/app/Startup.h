#pragma once

#include <QTranslator>
#include <filesystem>
#include <memory>
#include <optional>

namespace morlo::gui {

class AppContext;
class CMainFrame;

// Settles the user-interface language: the English translation on a system that is not
// Chinese, or when sys.ini asks for it on a Chinese one. False when the translation is needed
// but cannot be loaded (the program then ends).
bool SettleLanguage(AppContext& context, QTranslator& translator);

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
