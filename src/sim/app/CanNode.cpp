#include "CanNode.h"

#include <algorithm>

#include "CanBus.h"
#include "SimConstants.h"
#include "canopen/Emergency.h"
#include "link/LinkConstants.h"
#include "link/SdoFrame.h"

namespace morlo::sim {
namespace {

QCanBusFrame ToFrame(const link::CanMessage& message) {
    return QCanBusFrame(
        message.id, QByteArray(reinterpret_cast<const char*>(message.data.data()), message.length));
}

}  // namespace

CanNode::CanNode(std::shared_ptr<SimulatedDrive> drive, int nodeId, CanBus& bus)
    : drive_(std::move(drive)), nodeId_(nodeId), bus_(bus) {
    heartbeat_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat_, &QTimer::timeout, &context_, [this] { SendHeartbeat(); });
}

void CanNode::BootUp() {
    state_ = canopen::NmtState::BootUp;
    SendHeartbeat();
    state_ = canopen::NmtState::PreOperational;
    Follow();
}

void CanNode::SendHeartbeat() {
    QByteArray data(1, static_cast<char>(state_));
    Schedule(std::chrono::steady_clock::now(),
             QCanBusFrame(canopen::kHeartbeatBase + static_cast<std::uint32_t>(nodeId_), data));
}

void CanNode::OnNmt(canopen::NmtCommand command) {
    switch (command) {
        case canopen::NmtCommand::Start:
            state_ = canopen::NmtState::Operational;
            break;
        case canopen::NmtCommand::Stop:
            state_ = canopen::NmtState::Stopped;
            break;
        case canopen::NmtCommand::PreOperational:
            state_ = canopen::NmtState::PreOperational;
            break;
        case canopen::NmtCommand::ResetNode:
        case canopen::NmtCommand::ResetCommunication:
            BootUp();
            break;
    }
}

void CanNode::Follow() {
    const std::int64_t period = drive_->Value(canopen::kHeartbeatTimeKey).value_or(0);
    if (period != heartbeatPeriod_) {
        heartbeatPeriod_ = period;
        if (period > 0) {
            heartbeat_.start(static_cast<int>(period));
        } else {
            heartbeat_.stop();
        }
    }
    const std::vector<DriveEmergency> emergencies = drive_->TakeEmergencies();
    const auto cobId = static_cast<std::uint32_t>(
        drive_->Value(canopen::kEmergencyIdKey).value_or(canopen::kEmergencyBase + nodeId_));
    if (state_ == canopen::NmtState::Stopped || (cobId & canopen::kCobIdInvalidBit) != 0) {
        return;
    }
    for (const DriveEmergency& e : emergencies) {
        const std::array<std::uint8_t, canopen::kEmergencyDataBytes> data = {
            static_cast<std::uint8_t>(e.errorState), static_cast<std::uint8_t>(e.errorState >> 8),
            0, 0, 0};
        Schedule(std::chrono::steady_clock::now(),
                 ToFrame(canopen::BuildEmergency(nodeId_, e.code, e.errorRegister, data)));
    }
}

void CanNode::OnSdoRequest(const link::SdoPayload& request) {
    if (state_ == canopen::NmtState::Stopped) {
        return;  // a stopped node serves no SDO
    }
    const auto now = std::chrono::steady_clock::now();
    for (const Reply& reply : drive_->ExchangeAll(request)) {
        if (reply.corrupt) {
            continue;  // a damaged frame fails the receiver's CRC check and never arrives
        }
        const auto due = now + reply.latency;
        SendStray(reply, due);
        Schedule(due, ToFrame(link::BuildCanResponse(nodeId_, reply.payload)));
    }
    if ((request[0] & link::kWriteMask) == link::kWriteClass) {
        Follow();  // the heartbeat time may have changed
    }
}

void CanNode::SendStray(const Reply& reply, std::chrono::steady_clock::time_point due) {
    if (reply.stray.empty()) {
        return;
    }
    // Other traffic on the bus just before the answer: the drive's heartbeat, or an answer of
    // another node about the same object with other data.
    const bool heartbeat = reply.stray.size() % 2 == 1;
    const link::CanMessage message = link::BuildCanResponse(nodeId_, reply.payload);
    QByteArray data(reinterpret_cast<const char*>(message.data.data()), message.length);
    if (heartbeat) {
        data = QByteArray(reinterpret_cast<const char*>(reply.stray.data()),
                          static_cast<qsizetype>(reply.stray.size()));
    } else {
        const auto change = static_cast<char>(reply.stray.front() | 1);
        for (qsizetype i = kCanStrayFirstChangedByte; i < data.size(); ++i) {
            data[i] = static_cast<char>(data[i] ^ change);
        }
    }
    const auto node = static_cast<std::uint32_t>(nodeId_);
    const std::uint32_t id =
        heartbeat ? kCanHeartbeatBase + node : link::kCanResponseBase + node % kMaxNodeId + 1;
    Schedule(due, QCanBusFrame(id, data));
}

void CanNode::Schedule(std::chrono::steady_clock::time_point due, QCanBusFrame frame) {
    if (!outgoing_.empty()) {
        due = std::max(due, outgoing_.back().due);
    }
    outgoing_.push_back({due, std::move(frame)});
    if (outgoing_.size() == 1) {
        SendDue();
    }
}

void CanNode::SendDue() {
    while (!outgoing_.empty()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            outgoing_.front().due - std::chrono::steady_clock::now());
        if (left.count() > 0) {
            QTimer::singleShot(left, Qt::PreciseTimer, &context_, [this] { SendDue(); });
            return;
        }
        bus_.Write(outgoing_.front().frame);
        outgoing_.pop_front();
    }
}

}  // namespace morlo::sim
