#pragma once

#include <QObject>
#include <QPointer>
#include <map>

#include "engine/ResultDispatcher.h"

namespace morlo::engine {
class ControlLink;
}

namespace morlo::gui {

// A window that receives results of the control link.
class ResultReceiver {
  public:
    virtual ~ResultReceiver() = default;
    virtual void OnResult(const engine::Delivery& delivery) = 0;
};

// Hands the control link's results to windows on the user-interface thread. Windows are
// registered by id; a result for a window that is gone is dropped.
class GuiDispatcher final : public QObject, public engine::ResultDispatcher {
    Q_OBJECT
  public:
    explicit GuiDispatcher(QObject* parent = nullptr);

    void SetControlLink(engine::ControlLink* link) { link_ = link; }
    engine::ReceiverId Register(ResultReceiver* receiver);
    void Unregister(engine::ReceiverId id);

    void WakeReceiverThread() override;
    void Dispatch(const engine::Delivery& delivery) override;

  protected:
    void customEvent(QEvent* event) override;

  private:
    engine::ControlLink* link_ = nullptr;
    std::map<engine::ReceiverId, ResultReceiver*> receivers_;
    engine::ReceiverId next_ = 1;
};

}  // namespace morlo::gui
