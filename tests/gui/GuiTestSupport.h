#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "Startup.h"
#include "TempFolder.h"

namespace morlo::gui::test {

// A copy of the built working folder, so that tests may change sys.ini and write files.
class WorkingFolder {
  public:
    WorkingFolder() {
        const std::filesystem::path built = MORLO_BUILT_RUNTIME_DIR;
        for (const char* sub : {"sys", "data"}) {
            std::filesystem::copy(built / sub, folder_.Path() / sub,
                                  std::filesystem::copy_options::recursive);
        }
        std::filesystem::create_directories(folder_.Path() / "user");
    }
    std::filesystem::path Path() const { return folder_.Path(); }
    std::filesystem::path SysIni() const { return folder_.Path() / "sys" / "sys.ini"; }
    QString Qt() const { return QString::fromStdString(folder_.Path().string()); }

  private:
    morlo::test::TempFolder folder_;
};

// Runs events until the condition holds or the limit passes.
inline bool WaitUntil(const std::function<bool()>& condition, int limitMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Shows the window and makes it the active one, so that key events and focus changes reach
// its widgets as they would a user's.
inline bool Activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    return WaitUntil([&] { return window.isActiveWindow(); });
}

// The program started in a test: working folder, context, translation and main frame.
// Message boxes are recorded instead of shown.
class RunningProgram {
  public:
    // chineseSystem: whether Chinese can be shown; nullopt: as the machine says.
    explicit RunningProgram(std::optional<bool> chineseSystem = false,
                            std::function<void(WorkingFolder&)> prepare = {},
                            std::shared_ptr<sim::SimulatedDrive> drive = nullptr) {
        if (prepare) {
            prepare(folder_);
        }
        AppContextOptions options;
        options.workDir = folder_.Qt();
        options.chineseSystem = chineseSystem;
        options.simulatedDrive = std::move(drive);
        context_ = std::make_unique<AppContext>(options);
        context_->messageInterceptor = [this](const QString& text, QMessageBox::Icon) {
            messages.push_back(text);
        };
        settled_ = SettleLanguage(*context_, translators_);
        if (settled_) {
            frame_.reset(CreateMainFrame(*context_));
        }
    }
    ~RunningProgram() {
        frame_.reset();
        context_.reset();
        RemoveTranslators(translators_);
    }

    AppContext& Context() { return *context_; }
    CMainFrame& Frame() { return *frame_; }
    bool Settled() const { return settled_; }
    WorkingFolder& Folder() { return folder_; }
    std::vector<QString> messages;

  private:
    WorkingFolder folder_;
    std::unique_ptr<AppContext> context_;
    Translators translators_;
    bool settled_ = false;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace morlo::gui::test
