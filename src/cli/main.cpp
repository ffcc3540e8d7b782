// morloservo-cli: reads and writes a drive from a shell with the program's own engine.

#include <csignal>
#include <iostream>

#include <QCoreApplication>
#include <QLoggingCategory>

#include "CliArguments.h"
#include "CliSession.h"
#include "common/Version.h"
#include "common/WorkingFolder.h"
#include "text/Encoding.h"

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
    interrupted = true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    switch (morlo::cli::FindInfoRequest(args)) {
        case morlo::cli::InfoRequest::Help:
            std::cout << morlo::cli::kCliUsage;
            return morlo::cli::kExitDone;
        case morlo::cli::InfoRequest::Version:
            std::cout << "morloservo-cli " << morlo::Version() << '\n';
            return morlo::cli::kExitDone;
        case morlo::cli::InfoRequest::None:
            break;
    }
    std::string error;
    auto arguments = morlo::cli::ParseCliArguments(args, error);
    if (!arguments) {
        std::cerr << "morloservo-cli: " << error << '\n' << morlo::cli::kCliUsage;
        return morlo::cli::kExitUsage;
    }
    const morlo::WorkingFolder work = morlo::ChooseWorkingFolder(
        morlo::WorkingFolderRequest::FromEnvironment(arguments->workDir, argv[0]));
    if (!work) {
        std::cerr << "morloservo-cli: " << work.problem << '\n';
        return morlo::cli::kExitNoDatabase;
    }
    if (work.created) {
        std::cerr << "morloservo-cli: made the working folder " << morlo::PathUtf8(work.folder)
                  << '\n';
    }
    // Qt's CAN plugins need an application object; no event loop runs on this thread.
    QCoreApplication app(argc, argv);
    // The virtual bus reports on stderr which process serves it: noise between the results.
    // Its warnings stay, and QT_LOGGING_RULES can bring the rest back.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    morlo::cli::CliSession session(*arguments, work.folder, std::cout, std::cerr, interrupted);
    return session.Run();
}
