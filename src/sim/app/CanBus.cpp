#include "CanBus.h"

#include <QCanBus>

#include <cstdio>

#include "CanNode.h"
#include "canopen/NetworkConstants.h"
#include "link/LinkConstants.h"

namespace morlo::sim {

CanBus::~CanBus() {
    if (device_) {
        device_->disconnectDevice();
    }
}

bool CanBus::Start(const QString& plugin, const QString& interfaceName,
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
    auto announce = [this, announced, onConnected] {
        if (!*announced) {
            *announced = true;
            for (auto& [id, node] : nodes_) {
                node->BootUp();
            }
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

void CanBus::AddNode(CanNode& node) {
    nodes_[node.NodeId()] = &node;
}

void CanBus::Write(const QCanBusFrame& frame) {
    if (device_) {
        device_->writeFrame(frame);
    }
}

void CanBus::OnFramesReceived() {
    while (device_->framesAvailable() > 0) {
        const QCanBusFrame frame = device_->readFrame();
        if (frame.frameType() != QCanBusFrame::DataFrame || frame.hasExtendedFrameFormat()) {
            continue;
        }
        const QByteArray data = frame.payload();
        const std::uint32_t id = frame.frameId();
        if (id == canopen::kNmtId && data.size() == canopen::kNmtFrameLength) {
            const auto command = static_cast<canopen::NmtCommand>(data[0]);
            const int target = static_cast<std::uint8_t>(data[1]);
            for (auto& [nodeId, node] : nodes_) {
                if (target == canopen::kAllNodes || target == nodeId) {
                    node->OnNmt(command);
                }
            }
            continue;
        }
        const auto node = nodes_.find(static_cast<int>(id - link::kCanRequestBase));
        if (id <= link::kCanRequestBase || node == nodes_.end() ||
            data.size() != static_cast<int>(link::kPayloadSize)) {
            continue;
        }
        link::SdoPayload request{};
        std::copy_n(reinterpret_cast<const std::uint8_t*>(data.constData()), request.size(),
                    request.begin());
        node->second->OnSdoRequest(request);
    }
}

}  // namespace morlo::sim
