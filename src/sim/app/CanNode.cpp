#include "CanNode.h"

#include <QCanBus>
#include <QCanBusFrame>
#include <QTimer>

#include <algorithm>
#include <cstdio>

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
    if (!reply) {
        return;
    }
    link::CanMessage message = link::BuildCanResponse(nodeId_, reply->payload);
    if (reply->corrupt) {
        CorruptCanMessage(message);
    }
    const QCanBusFrame frame(
        message.id, QByteArray(reinterpret_cast<const char*>(message.data.data()), message.length));
    if (reply->latency.count() == 0) {
        device_->writeFrame(frame);
        return;
    }
    QTimer::singleShot(reply->latency, &context_, [this, frame] { device_->writeFrame(frame); });
}

}  // namespace morlo::sim
