// The simulator program with faults from its command line, spoken to over its pseudo-terminal.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "ChildProcess.h"
#include "common/ObjectKey.h"
#include "link/SdoFrame.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kClassMask = 0xF0;  // an upload answer is 0x4x

// The simulator on a pseudo-terminal, and that terminal opened raw like a serial port.
class FaultySimulator {
  public:
    explicit FaultySimulator(std::vector<std::string> options)
        : process_(MORLO_SIM_PROGRAM, [&] {
              options.insert(options.begin(), {"--serial", "--idle"});
              return options;
          }()) {
        auto line = process_.ReadLine(10s);
        if (!line || line->rfind("serial ", 0) != 0) {
            return;
        }
        port_ = open(line->substr(7).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios raw{};
        if (port_ >= 0 && tcgetattr(port_, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(port_, TCSANOW, &raw);
        }
    }
    ~FaultySimulator() {
        if (port_ >= 0) {
            close(port_);
        }
    }

    bool Ready() const { return port_ >= 0; }
    void Send(ObjectKey key) {
        const link::SerialFrame frame =
            link::BuildSerialFrame(1, link::BuildPayload(key, link::kCmdRead, 0));
        ASSERT_EQ(write(port_, frame.data(), frame.size()), 10);
    }
    // Reads until `enough` says so or the bound has passed.
    std::vector<std::uint8_t> Receive(
        const std::function<bool(const std::vector<std::uint8_t>&)>& enough,
        std::chrono::milliseconds bound) {
        std::vector<std::uint8_t> bytes;
        const auto deadline = Clock::now() + bound;
        while (!enough(bytes) && Clock::now() < deadline) {
            pollfd in{port_, POLLIN, 0};
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (poll(&in, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) {
                break;
            }
            std::uint8_t chunk[64];
            const ssize_t n = read(port_, chunk, sizeof chunk);
            if (n > 0) {
                bytes.insert(bytes.end(), chunk, chunk + n);
            }
        }
        return bytes;
    }

  private:
    ChildProcess process_;
    int port_ = -1;
};

// The keys of the well-formed answer frames of node 1 in a byte stream, in order; noise in
// between is stepped over a byte at a time.
std::vector<ObjectKey> AnswerKeys(const std::vector<std::uint8_t>& bytes) {
    std::vector<ObjectKey> keys;
    std::size_t at = 0;
    while (at + link::kSerialFrameSize <= bytes.size()) {
        link::SerialFrame frame{};
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), frame.size(), frame.begin());
        if (frame[0] == 1 && (frame[1] & kClassMask) == link::kCmdRead &&
            link::SerialChecksumOk(frame)) {
            keys.push_back(link::PayloadKey(link::SerialPayload(frame)));
            at += frame.size();
        } else {
            ++at;
        }
    }
    return keys;
}

TEST(SimulatorFaultOptions, JitteredAndNoisyAnswersStillComeInRequestOrder) {
    FaultySimulator sim({"--jitter", "60", "--stray", "100", "--seed", "5"});
    ASSERT_TRUE(sim.Ready());
    const std::vector<ObjectKey> asked = {
        MakeObjectKey(0x6041, 0), MakeObjectKey(0x2001, 1), MakeObjectKey(0x607A, 0),
        MakeObjectKey(0x6060, 0), MakeObjectKey(0x607C, 0), MakeObjectKey(0x6041, 0),
        MakeObjectKey(0x2001, 1), MakeObjectKey(0x6081, 0),
    };
    for (ObjectKey key : asked) {
        sim.Send(key);
    }
    const auto bytes = sim.Receive(
        [&](const std::vector<std::uint8_t>& b) { return AnswerKeys(b).size() >= asked.size(); },
        10s);
    EXPECT_EQ(AnswerKeys(bytes), asked);
    // Every answer came with noise ahead of it.
    EXPECT_GT(bytes.size(), asked.size() * link::kSerialFrameSize);
}

TEST(SimulatorFaultOptions, FallsSilentAfterTheGivenNumberOfAnswers) {
    FaultySimulator sim({"--silent-after", "2"});
    ASSERT_TRUE(sim.Ready());
    for (int i = 0; i < 3; ++i) {
        sim.Send(MakeObjectKey(0x6041, 0));
    }
    const auto bytes = sim.Receive([](const auto&) { return false; }, 500ms);
    EXPECT_EQ(AnswerKeys(bytes).size(), 2u);
    EXPECT_EQ(bytes.size(), 2 * link::kSerialFrameSize);
}

}  // namespace
}  // namespace morlo::test
