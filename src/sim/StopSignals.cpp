#include "StopSignals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace morlo::sim {

StopSignals::StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) == 0) {
        fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    }
}

StopSignals::~StopSignals() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool StopSignals::Consume() {
    signalfd_siginfo info{};
    return fd_ >= 0 && read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info);
}

}  // namespace morlo::sim
