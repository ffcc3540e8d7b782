#pragma once

#include <memory>

#include "link/LinkObject.h"

class QSerialPort;

namespace morlo::link {

// RS-232 link on QSerialPort: 8N1, no flow control, DTR and RTS off. Uses the blocking
// calls only, so it works on a thread without an event loop; all calls from one thread.
class QtSerialLinkObject final : public ByteLinkObject {
  public:
    QtSerialLinkObject();
    ~QtSerialLinkObject() override;

    int Open(const LinkSettings& settings) override;
    void Close() override;
    int Send(const std::uint8_t* bytes, std::size_t count) override;
    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity,
                        std::chrono::milliseconds timeout) override;

  private:
    std::unique_ptr<QSerialPort> port_;
};

}  // namespace morlo::link
