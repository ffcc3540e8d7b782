#include "SimulatedLinkObject.h"

#include <algorithm>
#include <thread>

#include "link/SdoFrame.h"

namespace morlo::sim {
namespace {

constexpr int kNotOpen = -1;

}  // namespace

SimulatedLinkObject::SimulatedLinkObject(std::shared_ptr<SimulatedDrive> drive,
                                         SimulatedLinkOptions options)
    : drive_(std::move(drive)), options_(options) {}

int SimulatedLinkObject::Open(const link::LinkSettings& settings) {
    nodeId_ = settings.nodeId;
    open_ = true;
    pending_.clear();
    return 0;
}

void SimulatedLinkObject::Close() {
    open_ = false;
    pending_.clear();
}

int SimulatedLinkObject::Send(const std::uint8_t* bytes, std::size_t count) {
    if (!open_) {
        return kNotOpen;
    }
    pending_.clear();  // an unread answer to an earlier request is gone
    if (count != link::kSerialFrameSize) {
        return 0;
    }
    link::SerialFrame frame{};
    std::copy_n(bytes, count, frame.begin());
    if (!link::SerialChecksumOk(frame) || frame[0] != static_cast<std::uint8_t>(nodeId_)) {
        return 0;
    }
    std::optional<Reply> reply = drive_->Exchange(link::SerialPayload(frame));
    if (!reply) {
        return 0;
    }
    link::SerialFrame answer = link::BuildSerialFrame(nodeId_, reply->payload);
    if (reply->corrupt) {
        CorruptSerialFrame(answer);
    }
    pending_ = std::move(reply->stray);
    pending_.insert(pending_.end(), answer.begin(), answer.end());
    latency_ = reply->latency;
    return 0;
}

std::size_t SimulatedLinkObject::Receive(std::uint8_t* buffer, std::size_t capacity,
                                         std::chrono::milliseconds timeout) {
    if (pending_.empty() || latency_ > timeout) {
        pending_.clear();  // too late: the caller has given up on it
        if (options_.waitOnSilence) {
            std::this_thread::sleep_for(timeout);
        }
        return 0;
    }
    if (latency_.count() > 0) {
        std::this_thread::sleep_for(latency_);
        latency_ = std::chrono::milliseconds{0};
    }
    const std::size_t count = std::min(capacity, pending_.size());
    std::copy_n(pending_.begin(), count, buffer);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

}  // namespace morlo::sim
