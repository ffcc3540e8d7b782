// morloservo-cli: reads and writes a drive from a shell with the program's own engine.

#include <csignal>
#include <iostream>

#include <QCoreApplication>

#include "CliArguments.h"
#include "CliSession.h"

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
    interrupted = true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto arguments = morlo::cli::ParseCliArguments(args, error);
    if (!arguments) {
        std::cerr << "morloservo-cli: " << error << '\n' << morlo::cli::kCliUsage;
        return morlo::cli::kExitUsage;
    }
    // Qt's CAN plugins need an application object; no event loop runs on this thread.
    QCoreApplication app(argc, argv);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    morlo::cli::CliSession session(*arguments, std::cout, std::cerr, interrupted);
    return session.Run();
}
