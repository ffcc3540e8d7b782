#include "CanNode.h"

#include <QCanBus>
#include <QCanBusFrame>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "SimConstants.h"
#include "link/SdoFrame.h"

namespace morlo::sim {

CanNode::CanNode(std::shared_ptr<SimulatedDrive> drive, int nodeId)
    : drive_(std::move(drive)), nodeId_(nodeId) {}

CanNode::~CanNode() {
    if (device_) {
        device_->disconnectDevice();
    }
}

bool CanNode::Start(const QString& plugin, const QString& interfaceName,
                    std::function<void()> onConnected, QString& error) {
    device_.reset(QCanBus::instance()->createDevice(plugin, interfaceName, &error));
    if (!device_) {
        if (error.isEmpty()) {
            error = QStringLiteral("no CAN device %1:%2").arg(plugin, interfaceName);
        }
        return false;
    }
    QObject::connect(device_.get(), &QCanBusDevice::framesReceived, &context_,
                     [this] { OnFramesReceived(); });
    QObject::connect(device_.get(), &QCanBusDevice::errorOccurred, &context_,
                     [this](QCanBusDevice::CanBusError) {
                         std::fprintf(stderr, "morloservo-sim: CAN error: %s\n",
                                      qPrintable(device_->errorString()));
                     });
    auto announced = std::make_shared<bool>(false);
    auto announce = [announced, onConnected] {
        if (!*announced) {
            *announced = true;
            onConnected();
        }
    };
    QObject::connect(device_.get(), &QCanBusDevice::stateChanged, &context_,
                     [announce](QCanBusDevice::CanBusDeviceState state) {
                         if (state == QCanBusDevice::ConnectedState) {
                             announce();
                         }
                     });
    if (!device_->connectDevice()) {
        error = device_->errorString();
        return false;
    }
    if (device_->state() == QCanBusDevice::ConnectedState) {
        announce();
    }
    return true;
}

void CanNode::OnFramesReceived() {
    const auto requestId = link::kCanRequestBase + static_cast<std::uint32_t>(nodeId_);
    while (device_->framesAvailable() > 0) {
        const QCanBusFrame frame = device_->readFrame();
        const QByteArray data = frame.payload();
        if (frame.frameType() != QCanBusFrame::DataFrame || frame.hasExtendedFrameFormat() ||
            frame.frameId() != requestId || data.size() != static_cast<int>(link::kPayloadSize)) {
            continue;
        }
        link::SdoPayload request{};
        std::copy_n(reinterpret_cast<const std::uint8_t*>(data.constData()), request.size(),
                    request.begin());
        Answer(request);
    }
}

void CanNode::Answer(const link::SdoPayload& request) {
    std::optional<Reply> reply = drive_->Exchange(request);
    if (!reply || reply->corrupt) {
        return;  // a damaged frame fails the receiver's CRC check and never arrives
    }
    const link::CanMessage message = link::BuildCanResponse(nodeId_, reply->payload);
    const auto due = std::chrono::steady_clock::now() + reply->latency;
    if (!reply->stray.empty()) {
        // Other traffic on the bus just before the answer: the drive's heartbeat, or an answer
        // of another node about the same object with other data.
        const bool heartbeat = reply->stray.size() % 2 == 1;
        QByteArray data(reinterpret_cast<const char*>(message.data.data()), message.length);
        if (heartbeat) {
            data = QByteArray(reinterpret_cast<const char*>(reply->stray.data()),
                              static_cast<qsizetype>(reply->stray.size()));
        } else {
            const auto change = static_cast<char>(reply->stray.front() | 1);
            for (qsizetype i = kCanStrayFirstChangedByte; i < data.size(); ++i) {
                data[i] = static_cast<char>(data[i] ^ change);
            }
        }
        const auto node = static_cast<std::uint32_t>(nodeId_);
        const std::uint32_t id =
            heartbeat ? kCanHeartbeatBase + node : link::kCanResponseBase + node % kMaxNodeId + 1;
        Schedule(due, QCanBusFrame(id, data));
    }
    Schedule(due,
             QCanBusFrame(message.id, QByteArray(reinterpret_cast<const char*>(message.data.data()),
                                                 message.length)));
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
        device_->writeFrame(outgoing_.front().frame);
        outgoing_.pop_front();
    }
}

}  // namespace morlo::sim
