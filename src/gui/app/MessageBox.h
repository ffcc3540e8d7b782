#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

#include "common/MessageSink.h"

class QWidget;

namespace morlo::gui {

// Takes the place of the message box (tests record the texts instead of showing dialogs).
using MessageInterceptor = std::function<void(const QString& text, QMessageBox::Icon icon)>;

// The one way the program shows a message: a modal box captioned with the application title,
// over the given window or else over the main window.
void ShowMessage(const QString& text, QMessageBox::Icon icon = QMessageBox::Warning,
                 QWidget* parent = nullptr);

// Engine messages from any thread; they are shown on the user-interface thread.
class GuiMessageSink final : public MessageSink {
  public:
    void ShowMessage(std::string_view text) override;
};

}  // namespace morlo::gui
