#pragma once

#include <functional>
#include <map>
#include <mutex>

#include "engine/ResultDispatcher.h"

namespace morlo::engine {

// Receivers as handler functions registered by id, for programs whose receivers' thread
// polls ControlLink::RunPendingDeliveries (the command-line tool, tests).
class HandlerDispatcher final : public ResultDispatcher {
  public:
    using Handler = std::function<void(const Delivery&)>;

    void Register(ReceiverId id, Handler handler) {
        std::lock_guard lock(mutex_);
        handlers_[id] = std::move(handler);
    }
    void Unregister(ReceiverId id) {
        std::lock_guard lock(mutex_);
        handlers_.erase(id);
    }
    void WakeReceiverThread() override {}
    void Dispatch(const Delivery& delivery) override {
        Handler handler;
        {
            std::lock_guard lock(mutex_);
            auto it = handlers_.find(delivery.receiver);
            if (it == handlers_.end()) {
                return;  // the receiver is gone
            }
            handler = it->second;
        }
        handler(delivery);
    }

  private:
    std::mutex mutex_;
    std::map<ReceiverId, Handler> handlers_;
};

}  // namespace morlo::engine
