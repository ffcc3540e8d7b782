#include "QtSerialLinkObject.h"

#include <QSerialPort>

namespace morlo::link {

QtSerialLinkObject::QtSerialLinkObject() = default;

QtSerialLinkObject::~QtSerialLinkObject() {
    Close();
}

int QtSerialLinkObject::Open(const LinkSettings& settings) {
    Close();
    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(QString::fromStdString(settings.portName));
    if (!port_->setBaudRate(settings.rate) || !port_->setDataBits(QSerialPort::Data8) ||
        !port_->setParity(QSerialPort::NoParity) || !port_->setStopBits(QSerialPort::OneStop) ||
        !port_->setFlowControl(QSerialPort::NoFlowControl) || !port_->open(QIODevice::ReadWrite)) {
        port_.reset();
        return -1;
    }
    // Pseudo-terminals have no modem lines; failing to clear them is harmless.
    port_->setDataTerminalReady(false);
    port_->setRequestToSend(false);
    port_->clear(QSerialPort::AllDirections);
    return 0;
}

void QtSerialLinkObject::Close() {
    if (port_) {
        port_->close();
        port_.reset();
    }
}

int QtSerialLinkObject::Send(const std::uint8_t* bytes, std::size_t count) {
    if (!port_ || !port_->isOpen()) {
        return -1;
    }
    // Whatever arrived since the last answer (a late answer, line noise) is not an answer
    // to this request.
    port_->clear(QSerialPort::Input);
    port_->readAll();
    qint64 written = port_->write(reinterpret_cast<const char*>(bytes), static_cast<qint64>(count));
    if (written != static_cast<qint64>(count)) {
        return -1;
    }
    while (port_->bytesToWrite() > 0) {
        if (!port_->waitForBytesWritten(static_cast<int>(kLinkTimeout.count()))) {
            return -1;
        }
    }
    return 0;
}

std::size_t QtSerialLinkObject::Receive(std::uint8_t* buffer, std::size_t capacity,
                                        std::chrono::milliseconds timeout) {
    if (!port_ || !port_->isOpen()) {
        return 0;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    std::size_t count = 0;
    while (count < capacity) {
        if (port_->bytesAvailable() == 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || !port_->waitForReadyRead(static_cast<int>(left.count()))) {
                break;
            }
        }
        qint64 got = port_->read(reinterpret_cast<char*>(buffer + count),
                                 static_cast<qint64>(capacity - count));
        if (got < 0) {
            break;
        }
        count += static_cast<std::size_t>(got);
    }
    return count;
}

}  // namespace morlo::link
