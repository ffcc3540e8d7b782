#include "GuiDispatcher.h"

#include <QCoreApplication>
#include <QEvent>

#include "engine/ControlLink.h"

namespace morlo::gui {
namespace {

// Asks the user-interface thread to run the result the control link waits with.
const QEvent::Type kDeliveryEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

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
    // The worker waits until the handler has run: the hand-over goes ahead of repaints and
    // timers already queued.
    QCoreApplication::postEvent(this, new QEvent(kDeliveryEvent), Qt::HighEventPriority);
}

void GuiDispatcher::customEvent(QEvent* event) {
    if (event->type() == kDeliveryEvent && link_) {
        link_->RunPendingDeliveries();
    }
}

void GuiDispatcher::Dispatch(const engine::Delivery& delivery) {
    auto it = receivers_.find(delivery.receiver);
    if (it != receivers_.end()) {
        it->second->OnResult(delivery);
    }
}

}  // namespace morlo::gui
