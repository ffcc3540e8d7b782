#pragma once

#include <string_view>

namespace morlo {

// Where the engine reports the fixed message texts that the user sees in a message box.
// Implementations must accept calls from any thread.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(std::string_view text) = 0;
};

// Drops every message; for callers that have nobody to tell.
class NullMessageSink final : public MessageSink {
  public:
    void ShowMessage(std::string_view) override {}
};

}  // namespace morlo
