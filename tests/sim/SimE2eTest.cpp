// Starts the real simulator program on a pseudo-terminal and talks to it like the tool does.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <string>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kWait = 10s;  // upper bound of every wait; normally milliseconds

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The simulator process with its standard output on a pipe. Whatever happens in the test,
// the destructor kills and reaps the process if it still runs.
class SimulatorProcess {
  public:
    SimulatorProcess() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        output_ = fds[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        char program[] = MORLO_SIM_PROGRAM;
        char serial[] = "--serial";
        char* argv[] = {program, serial, nullptr};
        if (posix_spawn(&pid_, program, &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
    }
    ~SimulatorProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) {
            close(output_);
        }
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool Started() const { return pid_ > 0; }

    std::string FirstLine(Clock::time_point deadline) {
        std::string line;
        char c = 0;
        while (line.find('\n') == std::string::npos) {
            pollfd in{output_, POLLIN, 0};
            if (poll(&in, 1, RemainingMs(deadline)) <= 0 || read(output_, &c, 1) != 1) {
                break;
            }
            line += c;
        }
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        return line;
    }

    // Sends the signal and waits until the process ends; its exit status, or -1.
    int Stop(int signal, Clock::time_point deadline) {
        kill(pid_, signal);
        char c = 0;
        pollfd in{output_, POLLIN, 0};
        // The pipe reports end of file when the process is gone.
        while (poll(&in, 1, RemainingMs(deadline)) > 0 && read(output_, &c, 1) == 1) {
        }
        int status = 0;
        if (Clock::now() >= deadline || waitpid(pid_, &status, 0) != pid_) {
            return -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
};

TEST(SimulatorProgram, AnswersAReadOnItsPseudoTerminalAndStopsOnSigterm) {
    const auto deadline = Clock::now() + kWait;
    SimulatorProcess simulator;
    ASSERT_TRUE(simulator.Started());
    const std::string line = simulator.FirstLine(deadline);
    ASSERT_EQ(line.rfind("serial /dev/", 0), 0u) << line;

    const std::string path = line.substr(line.find(' ') + 1);
    const int port = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(port, 0) << path;
    termios raw{};
    ASSERT_EQ(tcgetattr(port, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(port, TCSANOW, &raw), 0);

    const std::array<std::uint8_t, 10> request = {0x01, 0x40, 0x41, 0x60, 0x00,
                                                  0x00, 0x00, 0x00, 0x00, 0x1E};
    ASSERT_EQ(write(port, request.data(), request.size()), 10);
    std::array<std::uint8_t, 10> answer{};
    std::size_t received = 0;
    while (received < answer.size()) {
        pollfd in{port, POLLIN, 0};
        if (poll(&in, 1, RemainingMs(deadline)) <= 0) {
            break;
        }
        const ssize_t n = read(port, answer.data() + received, answer.size() - received);
        if (n > 0) {
            received += static_cast<std::size_t>(n);
        }
    }
    close(port);
    ASSERT_EQ(received, answer.size());
    EXPECT_EQ(answer[0], 0x01);
    EXPECT_EQ(answer[1], 0x4B);
    EXPECT_EQ(answer[2], 0x41);
    EXPECT_EQ(answer[3], 0x60);
    EXPECT_EQ(answer[4], 0x00);
    std::uint8_t sum = 0;
    for (std::uint8_t byte : answer) {
        sum = static_cast<std::uint8_t>(sum + byte);
    }
    EXPECT_EQ(sum, 0);

    EXPECT_EQ(simulator.Stop(SIGTERM, deadline), 0);
}

}  // namespace
