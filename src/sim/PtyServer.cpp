#include "PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "link/SdoFrame.h"

namespace morlo::sim {
namespace {

constexpr std::size_t kReadChunk = 256;
constexpr std::size_t kPathCapacity = 128;
constexpr std::chrono::nanoseconds kSecond = std::chrono::seconds{1};

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PtyServer::PtyServer(std::shared_ptr<SimulatedDrive> drive, PtyServerSettings settings)
    : drive_(std::move(drive)), settings_(settings), assembler_(settings.nodeId) {
    if (settings_.baud > 0) {
        wireTime_ = kSecond * (kWireBytesPerExchange * kWireBitsPerByte) / settings_.baud;
    }
}

bool PtyServer::Open(std::string& error) {
    master_.Reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master_.Valid()) {
        error = SystemError("posix_openpt");
        return false;
    }
    if (grantpt(master_.Get()) != 0 || unlockpt(master_.Get()) != 0) {
        error = SystemError("grantpt/unlockpt");
        return false;
    }
    std::array<char, kPathCapacity> path{};
    if (ptsname_r(master_.Get(), path.data(), path.size()) != 0) {
        error = SystemError("ptsname");
        return false;
    }
    slavePath_ = path.data();
    slave_.Reset(open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave_.Valid()) {
        error = SystemError(slavePath_.c_str());
        return false;
    }
    termios raw{};
    if (tcgetattr(slave_.Get(), &raw) != 0) {
        error = SystemError("tcgetattr");
        return false;
    }
    cfmakeraw(&raw);
    if (tcsetattr(slave_.Get(), TCSANOW, &raw) != 0) {
        error = SystemError("tcsetattr");
        return false;
    }
    const int flags = fcntl(master_.Get(), F_GETFL);
    if (flags < 0 || fcntl(master_.Get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        error = SystemError("fcntl");
        return false;
    }
    return true;
}

int PtyServer::Serve(int stopFd) {
    std::array<pollfd, 2> fds{{{master_.Get(), POLLIN, 0}, {stopFd, POLLIN, 0}}};
    while (true) {
        const auto wait = PollWait(Clock::now());
        const timespec timeout{static_cast<time_t>(wait / kSecond),
                               static_cast<long>((wait % kSecond).count())};
        const int ready = ppoll(fds.data(), fds.size(), &timeout, nullptr);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return 0;
        }
        const auto now = Clock::now();
        if ((fds[0].revents & POLLIN) != 0) {
            std::array<std::uint8_t, kReadChunk> bytes{};
            const ssize_t count = read(master_.Get(), bytes.data(), bytes.size());
            if (count < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                return -1;
            }
            if (count > 0) {
                for (const link::SerialFrame& frame :
                     assembler_.Feed(bytes.data(), static_cast<std::size_t>(count), now)) {
                    Answer(frame, now);
                }
            }
        } else if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            return -1;
        }
        SendDue();
        if (ready == 0) {
            drive_->Tick();
            assembler_.Expire(now);
        }
    }
}

std::chrono::nanoseconds PtyServer::PollWait(Clock::time_point now) const {
    std::chrono::nanoseconds wait = kServerIdleTick;
    if (!outgoing_.empty()) {
        wait = std::clamp<std::chrono::nanoseconds>(outgoing_.front().due - kPacingSpin - now,
                                                    std::chrono::nanoseconds{0}, wait);
    }
    return wait;
}

void PtyServer::Answer(const link::SerialFrame& request, Clock::time_point arrived) {
    std::optional<Reply> reply = drive_->Exchange(link::SerialPayload(request));
    if (!reply) {
        return;
    }
    link::SerialFrame answer = link::BuildSerialFrame(settings_.nodeId, reply->payload);
    if (reply->corrupt) {
        CorruptSerialFrame(answer);
    }
    Outgoing out{arrived + wireTime_ + reply->latency, std::move(reply->stray)};
    out.bytes.insert(out.bytes.end(), answer.begin(), answer.end());
    if (!outgoing_.empty()) {
        out.due = std::max(out.due, outgoing_.back().due);
    }
    outgoing_.push_back(std::move(out));
}

void PtyServer::SendDue() {
    while (!outgoing_.empty() && outgoing_.front().due - kPacingSpin <= Clock::now()) {
        // A timer wakes late by tens of microseconds; poll wakes just before the deadline and
        // the rest is spun, so that the answer leaves when the wire would have delivered it.
        const auto due = outgoing_.front().due;
        while (Clock::now() < due) {
        }
        const Outgoing out = std::move(outgoing_.front());
        outgoing_.pop_front();
        if (!WriteAll(out.bytes.data(), out.bytes.size())) {
            outgoing_.clear();  // nobody reads: the answers are lost, as on a wire
        }
    }
}

bool PtyServer::WriteAll(const std::uint8_t* bytes, std::size_t count) {
    const int waitMs = static_cast<int>(kServerIdleTick.count());
    while (count > 0) {
        const ssize_t written = write(master_.Get(), bytes, count);
        if (written > 0) {
            bytes += written;
            count -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd out{master_.Get(), POLLOUT, 0};
        if (poll(&out, 1, waitMs) <= 0) {
            return false;  // nobody reads: the answer is lost, as on a wire
        }
    }
    return true;
}

}  // namespace morlo::sim
