#include "engine/CyclicReadList.h"

namespace morlo::engine {

bool CyclicReadList::Add(ReceiverId window, ObjectKey key, std::uint8_t mode) {
    if (Contains(window, key)) {
        return false;
    }
    nodes_.push_back({window, key, true, mode});
    return true;
}

bool CyclicReadList::ActivateWindow(ReceiverId window) {
    if (nodes_.empty()) {
        return false;
    }
    for (auto& node : nodes_) {
        if (node.window == window) {
            node.active = true;
        }
    }
    return true;
}

void CyclicReadList::DeactivateWindow(ReceiverId window) {
    for (auto& node : nodes_) {
        if (node.window == window) {
            node.active = false;
        }
    }
}

bool CyclicReadList::ActivateKey(ObjectKey key) {
    for (auto& node : nodes_) {
        if (node.key == key) {
            node.active = true;
            return true;
        }
    }
    return false;
}

bool CyclicReadList::ActivateKey(ReceiverId window, ObjectKey key) {
    for (auto& node : nodes_) {
        if (node.window == window && node.key == key) {
            node.active = true;
            return true;
        }
    }
    return false;
}

bool CyclicReadList::Contains(ReceiverId window, ObjectKey key) const {
    for (const auto& node : nodes_) {
        if (node.window == window && node.key == key) {
            return true;
        }
    }
    return false;
}

std::optional<CyclicNode> CyclicReadList::NextOfMode(std::uint8_t mode) {
    std::size_t& cursor = cursor_[mode == kCyclicReadOnly ? 0 : 1];
    if (cursor >= nodes_.size()) {
        cursor = 0;
    }
    for (; cursor < nodes_.size(); ++cursor) {
        const CyclicNode& node = nodes_[cursor];
        if (node.mode == mode && node.active) {
            ++cursor;
            return node;
        }
    }
    return std::nullopt;  // the cursor stays at the end; the next search starts at the head
}

std::optional<CyclicNode> CyclicReadList::NextTurn() {
    if (wantedMode_ == kCyclicReadOnly) {
        auto node = NextOfMode(kCyclicReadOnly);
        if (node) {
            wantedMode_ = kCyclicWritable;
        }
        return node;
    }
    wantedMode_ = kCyclicReadOnly;
    return NextOfMode(kCyclicWritable);
}

}  // namespace morlo::engine
