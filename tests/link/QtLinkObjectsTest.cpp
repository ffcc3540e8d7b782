// The Qt link objects against a pseudo-terminal and Qt's virtual CAN bus, with the test
// itself playing the drive.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QCoreApplication>
#include <atomic>
#include <thread>

#include "QtCanLinkObject.h"
#include "QtLinkFactories.h"
#include "QtSerialLinkObject.h"
#include "link/LinkCodec.h"

namespace morlo::link {
namespace {

using namespace std::chrono_literals;

// A pseudo-terminal pair; the test holds the master side, the link object opens the slave.
class Pty {
  public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            slavePath_ = ptsname(master_);
            termios tio{};
            tcgetattr(master_, &tio);
            cfmakeraw(&tio);
            tcsetattr(master_, TCSANOW, &tio);
        }
    }
    ~Pty() {
        if (master_ >= 0) {
            close(master_);
        }
    }
    const std::string& SlavePath() const { return slavePath_; }
    // Reads exactly n bytes or gives up after the time-out.
    std::string Read(std::size_t n, std::chrono::milliseconds timeout) {
        std::string out;
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (out.size() < n) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd fd{master_, POLLIN, 0};
            if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char buffer[64];
            ssize_t got = read(master_, buffer, std::min(sizeof buffer, n - out.size()));
            if (got <= 0) {
                break;
            }
            out.append(buffer, static_cast<std::size_t>(got));
        }
        return out;
    }
    void Write(const std::string& bytes) {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

  private:
    int master_ = -1;
    std::string slavePath_;
};

std::string FrameText(const SerialFrame& frame) {
    return std::string(reinterpret_cast<const char*>(frame.data()), frame.size());
}

TEST(QtSerialLink, ExchangesFramesOverAPseudoTerminal) {
    Pty pty;
    ASSERT_FALSE(pty.SlavePath().empty());
    std::atomic<bool> retry{true};
    LinkLibrary library;
    RegisterQtLinkFactories(library, "virtualcan:can0");
    ASSERT_EQ(library.Load(kLinkTypeSerial), 1);
    LinkSettings settings;
    settings.portName = pty.SlavePath();
    settings.rate = 115200;
    ASSERT_EQ(library.Open(settings), 0);
    LinkCodec codec(library, retry);
    codec.SetLinkType(kLinkTypeSerial);
    codec.SetNodeId(1);

    std::thread drive([&] {
        std::string request = pty.Read(10, 5s);
        EXPECT_EQ(request, FrameText(BuildSerialFrame(1, BuildPayload(0x604100, kCmdRead, 0))));
        pty.Write(FrameText(BuildSerialFrame(1, {kAnswer16, 0x41, 0x60, 0, 0x27, 0x02, 0, 0})));
    });
    int result = codec.Exchange(0x604100, kCmdRead, 0);
    drive.join();
    ASSERT_EQ(result, kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(codec.Decode(kind, value));
    EXPECT_EQ(value, 0x0227);
    library.Close();
}

TEST(QtSerialLink, ReceiveGathersSplitFramesAndTimesOut) {
    Pty pty;
    QtSerialLinkObject link;
    LinkSettings settings;
    settings.portName = pty.SlavePath();
    settings.rate = 9600;
    ASSERT_EQ(link.Open(settings), 0);
    std::thread drive([&] {
        pty.Write("abcd");
        std::this_thread::sleep_for(30ms);
        pty.Write("efghij");
    });
    std::uint8_t buffer[10] = {};
    std::size_t count = link.Receive(buffer, sizeof buffer, 2s);
    drive.join();
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 10), "abcdefghij");
    EXPECT_EQ(link.Receive(buffer, sizeof buffer, 30ms), 0u);
}

TEST(QtSerialLink, AMissingPortDoesNotOpen) {
    QtSerialLinkObject link;
    LinkSettings settings;
    settings.portName = "/dev/does-not-exist-morlo";
    settings.rate = 115200;
    EXPECT_NE(link.Open(settings), 0);
    std::uint8_t byte = 0;
    EXPECT_NE(link.Send(&byte, 1), 0);
}

TEST(QtCanLink, ExchangesOnTheVirtualBus) {
    // The test's own node answers reads of 0x6041 for node 1.
    QString error;
    std::unique_ptr<QCanBusDevice> drive(
        QCanBus::instance()->createDevice("virtualcan", "can0", &error));
    ASSERT_TRUE(drive) << error.toStdString();
    ASSERT_TRUE(drive->connectDevice());
    QObject::connect(drive.get(), &QCanBusDevice::framesReceived, [&] {
        while (drive->framesAvailable() > 0) {
            QCanBusFrame frame = drive->readFrame();
            if (frame.frameId() != 0x601) {
                continue;
            }
            QByteArray answer = QByteArray::fromHex("4b41600027020000");
            drive->writeFrame(QCanBusFrame(0x581, answer));
        }
    });
    for (int i = 0; i < 200 && drive->state() != QCanBusDevice::ConnectedState; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_EQ(drive->state(), QCanBusDevice::ConnectedState);

    std::atomic<bool> retry{true};
    LinkLibrary library;
    RegisterQtLinkFactories(library, "virtualcan:can0");
    ASSERT_EQ(library.Load(kLinkTypeCan), 1);
    LinkSettings settings;
    settings.rate = 0x001C;
    ASSERT_EQ(library.Open(settings), 0);
    std::string version;
    ASSERT_TRUE(library.GetVersion(version));
    EXPECT_EQ(version, "virtualcan:can0");

    LinkCodec codec(library, retry);
    codec.SetLinkType(kLinkTypeCan);
    codec.SetNodeId(1);
    ASSERT_EQ(codec.Exchange(0x604100, kCmdRead, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(codec.Decode(kind, value));
    EXPECT_EQ(value, 0x0227);
    library.Close();
    drive->disconnectDevice();
}

TEST(QtCanLink, AnUnknownPluginDoesNotOpen) {
    QtCanLinkObject link("nosuchplugin:can0");
    EXPECT_NE(link.Open(LinkSettings{}), 0);
    std::string version;
    EXPECT_FALSE(link.GetVersion(version));
}

}  // namespace
}  // namespace morlo::link

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
