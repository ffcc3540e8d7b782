#pragma once

#include <QWidget>

#include "GuiDispatcher.h"
#include "common/ObjectKey.h"

namespace morlo::gui {

class AppContext;

// The view inside a page window: receives the control link's results under its own id and
// the main frame's page state commands.
class CPageView : public QWidget, public ResultReceiver {
    Q_OBJECT
  public:
    explicit CPageView(AppContext& context, QWidget* parent = nullptr);
    ~CPageView() override;

    engine::ReceiverId Id() const { return id_; }
    // Page state command from the frames: 0 shown, 1 hidden, 2 refresh, 3 save into the
    // project, 6 link state changed.
    virtual void PageNotify(int code);
    // An object picked in the data dictionary browser for this page.
    virtual void ObjectChosen(ObjectKey key);
    void OnResult(const engine::Delivery& delivery) override;

  protected:
    // The page's window grows to what the page now needs (after its texts widened).
    void FitFrame();

    AppContext& context_;

  private:
    engine::ReceiverId id_;
};

// A page window that shows only its title until the page itself is built.
class CPlaceholderPage final : public CPageView {
    Q_OBJECT
  public:
    using CPageView::CPageView;
    void PageNotify(int code) override { notifications.push_back(code); }
    std::vector<int> notifications;
};

}  // namespace morlo::gui
