#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/LinkTypes.h"

namespace morlo::link {

// How a link carries the SDO payload.
enum class Framing { Serial, Can };

// One open connection to a drive. All calls come from one thread (the control link's).
class LinkObject {
  public:
    virtual ~LinkObject() = default;
    virtual Framing GetFraming() const = 0;
    // 0 = open.
    virtual int Open(const LinkSettings& settings) = 0;
    virtual void Close() = 0;
};

// A link that carries 10-byte serial frames.
class ByteLinkObject : public LinkObject {
  public:
    Framing GetFraming() const final { return Framing::Serial; }
    // Sends the bytes after dropping whatever arrived unasked since the last receive, so that
    // a late answer to an earlier request is never taken for the next one. 0 = sent.
    virtual int Send(const std::uint8_t* bytes, std::size_t count) = 0;
    // Fills up to capacity bytes, waiting at most the time-out; returns the count received.
    virtual std::size_t Receive(std::uint8_t* buffer, std::size_t capacity,
                                std::chrono::milliseconds timeout) = 0;
};

// A link that carries CAN messages.
class CanLinkObject : public LinkObject {
  public:
    Framing GetFraming() const final { return Framing::Can; }
    // 0 = sent.
    virtual int Send(const CanMessage& message) = 0;
    // The next message of the bus, waiting at most the time-out; false when none came.
    virtual bool Receive(CanMessage& message, std::chrono::milliseconds timeout) = 0;
    // The adapter driver's version text; false when no adapter driver is present.
    virtual bool GetVersion(std::string& text) = 0;
};

}  // namespace morlo::link
