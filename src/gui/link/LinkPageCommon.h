#pragma once

#include "CPageView.h"

class QPushButton;

namespace morlo::gui {

// Default node id of the link pages.
inline constexpr int kDefaultDriverId = 1;
inline constexpr std::size_t kLinkSettingBuffer = 16;

// What the serial and the CAN settings pages share: the open/close button with its icon
// (204 while the link is open, 203 otherwise) and closing the link from the page.
class CLinkSettingsPage : public CPageView {
    Q_OBJECT
  public:
    explicit CLinkSettingsPage(AppContext& context, QWidget* parent = nullptr);

    // 6: the icon follows the link state.
    void PageNotify(int code) override;
    bool ShowsOpen() const { return showsOpen_; }
    QPushButton* OpenCloseButton() const { return button_; }

  protected:
    void SetIcon(bool open);
    // Link state closed, the main frame told, the icon closed, the link closed.
    void CloseFromPage();
    // After a failed open: the message, then as CloseFromPage.
    void FailOpen(const char* message);
    // After a successful open: the main frame shows the open state, the page waits for the
    // drive's first answer.
    void ConfirmOpen(const QString& paneText);

    QPushButton* button_;

  private:
    bool showsOpen_ = false;
};

}  // namespace morlo::gui
