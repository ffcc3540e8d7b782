#include "QtCanLinkObject.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>

#include "link/CanBitTiming.h"

namespace morlo::link {
namespace {

// Time a connection may take (a virtual bus connects over a local socket).
constexpr int kConnectTimeoutMs = 2000;

}  // namespace

QtCanLinkObject::QtCanLinkObject(std::string pluginAndInterface) {
    auto colon = pluginAndInterface.find(':');
    plugin_ = pluginAndInterface.substr(0, colon);
    interface_ = colon == std::string::npos ? "can0" : pluginAndInterface.substr(colon + 1);
}

QtCanLinkObject::~QtCanLinkObject() {
    Close();
}

int QtCanLinkObject::Open(const LinkSettings& settings) {
    Close();
    QString error;
    device_.reset(QCanBus::instance()->createDevice(QString::fromStdString(plugin_),
                                                    QString::fromStdString(interface_), &error));
    if (!device_) {
        return -1;
    }
    if (auto timing = FindCanBitTiming(settings.rate)) {
        device_->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant(timing->bitRate));
    }
    if (!device_->connectDevice()) {
        device_.reset();
        return -1;
    }
    // The control-link thread has no running event loop; a local one carries the connection
    // (a virtual bus connects over a local socket).
    QEventLoop loop;
    QDeadlineTimer deadline(kConnectTimeoutMs);
    while (device_->state() == QCanBusDevice::ConnectingState && !deadline.hasExpired()) {
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    if (device_->state() != QCanBusDevice::ConnectedState) {
        device_.reset();
        return -1;
    }
    return 0;
}

void QtCanLinkObject::Close() {
    if (device_) {
        device_->disconnectDevice();
        device_.reset();
    }
}

int QtCanLinkObject::Send(const CanMessage& message) {
    if (!device_ || device_->state() != QCanBusDevice::ConnectedState) {
        return -1;
    }
    QByteArray payload(reinterpret_cast<const char*>(message.data.data()),
                       std::min<int>(message.length, static_cast<int>(message.data.size())));
    if (!device_->writeFrame(QCanBusFrame(message.id, payload))) {
        return -1;
    }
    if (device_->framesToWrite() > 0 &&
        !device_->waitForFramesWritten(static_cast<int>(kLinkTimeout.count()))) {
        return -1;
    }
    return 0;
}

bool QtCanLinkObject::Receive(CanMessage& message, std::chrono::milliseconds timeout) {
    if (!device_) {
        return false;
    }
    if (device_->framesAvailable() == 0) {
        // A loop of its own rather than waitForFramesReceived(), which warns on every time-out:
        // listening to a quiet bus times out all the time.
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(device_.get(), &QCanBusDevice::framesReceived, &loop, &QEventLoop::quit);
        QObject::connect(device_.get(), &QCanBusDevice::errorOccurred, &loop, &QEventLoop::quit);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(timeout);
        loop.exec();
        if (device_->framesAvailable() == 0) {
            return false;
        }
    }
    QCanBusFrame frame = device_->readFrame();
    message.id = frame.frameId();
    message.type = frame.hasExtendedFrameFormat() ? 1 : 0;
    QByteArray payload = frame.payload();
    message.length = static_cast<std::uint8_t>(std::min<qsizetype>(payload.size(), 8));
    message.data = {};
    std::copy_n(payload.constData(), message.length, message.data.begin());
    return true;
}

bool QtCanLinkObject::GetVersion(std::string& text) {
    if (!QCanBus::instance()->plugins().contains(QString::fromStdString(plugin_))) {
        return false;
    }
    text = plugin_ + ":" + interface_;
    return true;
}

}  // namespace morlo::link
