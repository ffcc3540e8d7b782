#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace morlo::test {

// A program started by a test, with its standard output and error captured. The destructor
// ends it (SIGTERM, then SIGKILL) and reaps it, so no test leaves a process behind.
class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::string& workingFolder = {}) {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        if (!workingFolder.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
        }
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~ChildProcess() {
        if (pid_ > 0 && !exitCode_) {
            kill(pid_, SIGTERM);
            if (!Wait(std::chrono::seconds(5))) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
        }
        if (out_ >= 0) {
            close(out_);
        }
        if (err_ >= 0) {
            close(err_);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    void Signal(int signal) {
        if (pid_ > 0 && !exitCode_) {
            kill(pid_, signal);
        }
    }

    // The next line of standard output, or nullopt when none came in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (true) {
            auto newline = outText_.find('\n');
            if (newline != std::string::npos) {
                std::string line = outText_.substr(0, newline);
                outText_.erase(0, newline + 1);
                return line;
            }
            if (!Pump(out_, outText_, deadline)) {
                return std::nullopt;
            }
        }
    }

    // Waits for the exit, collecting all output. False when it did not end in time.
    bool Wait(std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!exitCode_) {
            int status = 0;
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            poll(fds, 2, 10);
            Drain();
        }
        Drain();
        return true;
    }

    int ExitCode() const { return exitCode_.value_or(-1); }
    const std::string& Output() const { return outText_; }
    const std::string& Errors() const { return errText_; }

  private:
    // Reads what is there without blocking.
    void Drain() {
        for (auto [fd, text] : {std::pair{out_, &outText_}, std::pair{err_, &errText_}}) {
            pollfd p{fd, POLLIN, 0};
            while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
                char buffer[4096];
                ssize_t n = read(fd, buffer, sizeof buffer);
                if (n <= 0) {
                    break;
                }
                text->append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    bool Pump(int fd, std::string& text, std::chrono::steady_clock::time_point deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string outText_;
    std::string errText_;
    std::optional<int> exitCode_;
};

}  // namespace morlo::test
