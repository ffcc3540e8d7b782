#include "GuiDispatcher.h"

#include "engine/ControlLink.h"

namespace morlo::gui {

GuiDispatcher::GuiDispatcher(QObject* parent) : QObject(parent) {}

engine::ReceiverId GuiDispatcher::Register(ResultReceiver* receiver) {
    engine::ReceiverId id = next_++;
    receivers_[id] = receiver;
    return id;
}

void GuiDispatcher::Unregister(engine::ReceiverId id) {
    receivers_.erase(id);
}

void GuiDispatcher::WakeReceiverThread() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (link_) {
                link_->RunPendingDeliveries();
            }
        },
        Qt::QueuedConnection);
}

void GuiDispatcher::Dispatch(const engine::Delivery& delivery) {
    auto it = receivers_.find(delivery.receiver);
    if (it != receivers_.end()) {
        it->second->OnResult(delivery);
    }
}

}  // namespace morlo::gui
