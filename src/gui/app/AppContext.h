#pragma once

#include <QPointer>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "GuiDispatcher.h"
#include "MessageBox.h"
#include "canopen/NetworkMonitor.h"
#include "dictionary/ObjectDictionary.h"
#include "engine/ControlLink.h"
#include "link/LinkLibrary.h"
#include "values/FormulaEvaluator.h"
#include "values/UnitTable.h"
#include "values/ValueConversion.h"

class QWidget;

namespace morlo::sim {
class SimulatedDrive;
}

namespace morlo::gui {

class CMainFrame;

inline constexpr int kLanguageChinese = 1;
inline constexpr int kLanguageEnglish = 2;
inline constexpr int kSystemChinese = 1;
inline constexpr int kSystemOther = 2;

// Chinese can be shown: a font with Chinese glyphs is installed (the locale does not matter).
bool ChineseFontInstalled();

// What a test or the start-up may set instead of the machine's own facts.
struct AppContextOptions {
    QString workDir;                    // default: the current directory
    std::optional<bool> chineseSystem;  // default: a font with Chinese glyphs is installed
    std::shared_ptr<engine::Pacer> pacer;
    // The drive behind the "simulated drive" link type (default: the built-in one, made when
    // first chosen and kept for the whole run, its stored values in user/).
    std::shared_ptr<sim::SimulatedDrive> simulatedDrive;
};

// The settings of the last link opened from a settings page in this run.
struct LastLinkOpen {
    bool valid = false;
    QString port;
    int rate = 0;
    int nodeId = 1;
};

// The program's one global record: paths, language, link type, screen metrics, list column
// captions and widths, the main window, the shell's shared state, and the engine singletons.
class AppContext {
  public:
    explicit AppContext(AppContextOptions options = {});
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    static AppContext* Instance();

    // Screen metrics and the list column widths for a horizontal resolution.
    void SetScreenMetrics(int dpi);
    static std::array<int, 5> ColumnWidthsFor(int dpi);
    // Column captions for the language (other values leave them unset).
    void SetColumnCaptions();
    // The translation file and the language settled at construction.
    bool NeedsEnglishTranslation() const { return language.load() == kLanguageEnglish; }

    // Paths.
    QString workDir;
    QString userDir;
    QString sysIniPath;
    QString langLibPath;  // data/EN.qm
    QString databasePath;
    QString dictionarySourceDir;  // the simulated drive's object source

    std::atomic<int> language{0};
    int systemChinese = kSystemChinese;  // 1 when Chinese can be shown (ChineseFontInstalled)
    int linkType = 0;
    int dpiX = 96;
    std::array<int, 5> columnWidth{};
    std::array<QString, 3> columnCaption;
    bool captionsSet = false;
    int captionHeight = 0;
    QPointer<CMainFrame> mainWindow;

    // Shared state of the shell.
    bool linkOpenPending = false;
    QString preparedLinkText;
    LastLinkOpen lastSerialOpen;
    LastLinkOpen lastCanOpen;
    QString currentPanelName;
    int currentPanelPageId = 0;
    QPointer<QWidget> objectRequester;  // the page that asked the browser for an object
    QString projectStamp;               // local time of the last project opening, or empty
    bool projectWriteFailed = false;    // a page could not write its part of the project
    QString startupProblem;             // a file problem found at construction, shown once
                                        // the main window stands; empty when none
    MessageInterceptor messageInterceptor;
    // Takes the place of a yes/no question (tests answer instead of the user).
    std::function<bool(const QString& text)> questionInterceptor;
    // Asks the user for a file; tests answer instead of a dialog. Empty: cancelled.
    std::function<QString(bool save, const QString& proposal, const QString& filter,
                          const QString& title)>
        fileChooser;

    // Singletons.
    ObjectDictionary& Dictionary() { return *dictionary_; }
    link::LinkLibrary& Links() { return *links_; }
    engine::ControlLink& Link() { return *control_; }
    GuiDispatcher& Dispatcher() { return *dispatcher_; }
    FormulaEvaluator& Formulas() { return *formulas_; }
    UnitTable& Units() { return *units_; }
    ValueConversion& Conversion() { return *conversion_; }
    MessageSink& Messages() { return *messages_; }
    // Heartbeats, boot-up and emergency messages of the CAN network.
    canopen::NetworkMonitor& Network() { return *network_; }
    engine::ReceiverId MainWindowId() const { return mainWindowId_; }
    void SetMainWindowId(engine::ReceiverId id);

  private:
    void RegisterLinkTypes(std::shared_ptr<sim::SimulatedDrive> drive);

    std::unique_ptr<GuiMessageSink> messages_;
    std::unique_ptr<GuiDispatcher> dispatcher_;
    std::unique_ptr<ObjectDictionary> dictionary_;
    std::unique_ptr<link::LinkLibrary> links_;
    std::unique_ptr<canopen::NetworkMonitor> network_;
    std::unique_ptr<engine::ControlLink> control_;
    std::unique_ptr<FormulaEvaluator> formulas_;
    std::unique_ptr<UnitTable> units_;
    std::unique_ptr<ValueConversion> conversion_;
    engine::ReceiverId mainWindowId_ = engine::kNoReceiver;
    std::shared_ptr<sim::SimulatedDrive> builtInDrive_;  // once made, until the program ends
};

}  // namespace morlo::gui
