#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/ObjectKey.h"
#include "engine/EngineConstants.h"

namespace morlo::engine {

struct CyclicNode {
    ReceiverId window = kNoReceiver;
    ObjectKey key = 0;
    bool active = true;
    std::uint8_t mode = kCyclicReadOnly;
};

// Objects read over and over while their windows are shown. Appended at the tail, never
// shortened. Reads alternate between read-only (mode 1) and writable (mode 2) objects, each
// mode with its own round-robin cursor; writable objects are read only after a read-only one.
// Not locked: the control link guards it.
class CyclicReadList {
  public:
    // Appends an active node; false when the window already has a node for the key.
    bool Add(ReceiverId window, ObjectKey key, std::uint8_t mode);
    // Every node of the window becomes active; false on an empty list.
    bool ActivateWindow(ReceiverId window);
    void DeactivateWindow(ReceiverId window);
    // The first node of the key becomes active; false when there is none.
    bool ActivateKey(ObjectKey key);
    // The window's node of the key becomes active; false when the window has none.
    bool ActivateKey(ReceiverId window, ObjectKey key);
    bool Contains(ReceiverId window, ObjectKey key) const;
    bool Empty() const { return nodes_.empty(); }
    std::size_t Size() const { return nodes_.size(); }

    // The node to read in this turn, or nullopt when this turn reads nothing.
    std::optional<CyclicNode> NextTurn();

  private:
    std::optional<CyclicNode> NextOfMode(std::uint8_t mode);

    std::vector<CyclicNode> nodes_;
    std::size_t cursor_[2] = {0, 0};
    std::uint8_t wantedMode_ = kCyclicReadOnly;
};

}  // namespace morlo::engine
