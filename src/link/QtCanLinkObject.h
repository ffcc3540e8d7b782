#pragma once

#include <memory>
#include <string>

#include "link/LinkObject.h"

class QCanBusDevice;

namespace morlo::link {

// CAN link on QCanBus. The plugin and interface come from the settings ("socketcan:can0",
// "virtualcan:can0", "peakcan:usb0"); the adapter's bit-timing code becomes the bit rate
// where the plugin lets the program set it. All calls from one thread.
class QtCanLinkObject final : public CanLinkObject {
  public:
    explicit QtCanLinkObject(std::string pluginAndInterface);
    ~QtCanLinkObject() override;

    int Open(const LinkSettings& settings) override;
    void Close() override;
    int Send(const CanMessage& message) override;
    bool Receive(CanMessage& message, std::chrono::milliseconds timeout) override;
    bool GetVersion(std::string& text) override;

  private:
    std::string plugin_;
    std::string interface_;
    std::unique_ptr<QCanBusDevice> device_;
};

}  // namespace morlo::link
