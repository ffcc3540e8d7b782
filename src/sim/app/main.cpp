#include <sys/prctl.h>
// morloservo-sim: a simulated drive of the family on a pseudo-terminal or a CAN bus.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "CanBus.h"
#include "CanNode.h"
#include "CliOptions.h"
#include "PtyServer.h"
#include "SimulatedDrive.h"
#include "StopSignals.h"
#include "common/Version.h"
#include "common/WorkingFolder.h"
#include "dictionary/DictionarySource.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"

namespace {

using namespace morlo;
using namespace morlo::sim;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr const char* kDictionaryInWorkingFolder = "data/dictionary";
constexpr const char* kProgram = "morloservo-sim: ";

// The dictionary source: --dictionary; else the working folder's (--workdir, or the current
// folder when it is one); else, in a build tree, the source the build was made from; else the
// per-user working folder's. Empty with a message when there is none.
std::filesystem::path DictionaryFolder(const CliOptions& options, const char* argv0,
                                       std::string& problem) {
    if (!options.dictionary.empty()) {
        return options.dictionary;
    }
    WorkingFolderRequest request = WorkingFolderRequest::FromEnvironment(options.workDir, argv0);
    std::error_code ec;
    const std::filesystem::path built = MORLO_DICTIONARY_SOURCE_DIR;
    if (options.workDir.empty() &&
        !std::filesystem::exists(request.currentFolder / kWorkingFolderMark, ec) &&
        std::filesystem::is_directory(built, ec)) {
        return built;
    }
    const WorkingFolder work = ChooseWorkingFolder(request);
    if (!work) {
        problem = work.problem;
        return {};
    }
    return work.folder / kDictionaryInWorkingFolder;
}

int RunSerial(const std::shared_ptr<SimulatedDrive>& drive, const CliOptions& options,
              StopSignals& stopSignals) {
    PtyServer server(drive, {options.nodeId, options.baud});
    std::string error;
    if (!server.Open(error)) {
        std::cerr << kProgram << "cannot open a pseudo-terminal: " << error << std::endl;
        return kExitFailure;
    }
    std::cout << "serial " << server.SlavePath() << std::endl;
    if (server.Serve(stopSignals.Fd()) != 0) {
        std::cerr << kProgram << "the pseudo-terminal failed" << std::endl;
        return kExitFailure;
    }
    return kExitOk;
}

// Raises the error bit on every drive each period and resets it half a period later.
void StartErrorCycle(QObject& owner, const std::vector<std::unique_ptr<CanNode>>& nodes,
                     const std::vector<std::shared_ptr<SimulatedDrive>>& drives, int bit,
                     int periodMs) {
    auto raise = std::make_shared<bool>(true);
    auto* timer = new QTimer(&owner);  // owned by the application object
    QObject::connect(timer, &QTimer::timeout, &owner, [&nodes, &drives, raise, bit] {
        for (const auto& drive : drives) {
            if (*raise) {
                drive->InjectError(bit);
            } else {
                drive->ClearErrors();
            }
        }
        *raise = !*raise;
        for (const auto& node : nodes) {
            node->Follow();
        }
    });
    timer->start(periodMs / 2);
}

int RunCan(const std::vector<std::shared_ptr<SimulatedDrive>>& drives, const CliOptions& options,
           StopSignals& stopSignals, int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QSocketNotifier stop(stopSignals.Fd(), QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&] {
        stopSignals.Consume();
        app.quit();
    });
    CanBus bus;
    std::vector<std::unique_ptr<CanNode>> nodes;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        nodes.push_back(std::make_unique<CanNode>(drives[i], options.nodeIds[i], bus));
        bus.AddNode(*nodes.back());
    }
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &app, [&] {
        for (std::size_t i = 0; i < drives.size(); ++i) {
            drives[i]->Tick();
            nodes[i]->Follow();
        }
    });
    tick.start(kServerIdleTick);
    if (options.errorCycle) {
        StartErrorCycle(app, nodes, drives, options.errorCycle->first, options.errorCycle->second);
    }

    const std::string name = options.canPlugin + ":" + options.canInterface;
    QString error;
    if (!bus.Start(
            QString::fromStdString(options.canPlugin), QString::fromStdString(options.canInterface),
            [&] { std::cout << "can " << name << std::endl; }, error)) {
        std::cerr << kProgram << "cannot connect to " << name << ": " << error.toStdString()
                  << std::endl;
        return kExitFailure;
    }
    return app.exec() == 0 ? kExitOk : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << CliUsage();
            return kExitOk;
        }
        if (argument == "--version") {
            std::cout << "morloservo-sim " << Version() << std::endl;
            return kExitOk;
        }
    }
    const CliParseResult parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << kProgram << parsed.error << std::endl;
        return kExitUsage;
    }
    const CliOptions& options = *parsed.options;
    // Answers paced at the wire time wake from a timer; the default timer slack (50 us) would
    // add to every exchange.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    StopSignals stopSignals;  // before any thread exists
    if (stopSignals.Fd() < 0) {
        std::cerr << kProgram << "cannot watch for SIGINT and SIGTERM" << std::endl;
        return kExitFailure;
    }

    std::string problem;
    const std::filesystem::path folder = DictionaryFolder(options, argv[0], problem);
    if (folder.empty()) {
        std::cerr << kProgram << problem << std::endl;
        return kExitFailure;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::cerr << kProgram << "no dictionary folder " << PathUtf8(folder) << std::endl;
        return kExitFailure;
    }
    const DictionarySource source = LoadDictionarySource(folder);
    if (!source.issues.empty()) {
        const SourceIssue& first = source.issues.front();
        std::cerr << kProgram << "the dictionary in " << PathUtf8(folder) << " has "
                  << source.issues.size() << " problem(s), the first: " << first.file << ":"
                  << first.line << ": " << first.text << std::endl;
        return kExitFailure;
    }
    if (source.objects.empty()) {
        std::cerr << kProgram << "the dictionary in " << PathUtf8(folder) << " has no objects"
                  << std::endl;
        return kExitFailure;
    }

    DriveOptions driveOptions;
    driveOptions.startEnabled = !options.idle;
    driveOptions.dialect = options.standard ? SdoDialect::Standard : SdoDialect::Family;
    if (!options.stateFile.empty()) {
        driveOptions.stateFile = options.stateFile;
    }
    if (!options.recordFile.empty()) {
        driveOptions.recordFile = options.recordFile;
    }
    std::vector<std::shared_ptr<SimulatedDrive>> drives;
    const std::size_t count = std::max<std::size_t>(1, options.nodeIds.size());
    for (std::size_t i = 0; i < count; ++i) {
        auto drive = std::make_shared<SimulatedDrive>(source, driveOptions);
        for (const auto& [key, text] : options.texts) {
            if (!drive->SetText(key, text)) {
                std::cerr << kProgram << "--text: " << WriteObjectAddress(key)
                          << " is no text object" << std::endl;
                return kExitUsage;
            }
        }
        for (ObjectKey key : options.segmentedNumbers) {
            if (!drive->SendInSegments(key)) {
                std::cerr << kProgram << "--segmented: " << WriteObjectAddress(key)
                          << " is no number object" << std::endl;
                return kExitUsage;
            }
        }
        drive->SetFaults(options.faults);
        drives.push_back(std::move(drive));
    }
    if (options.front == CliOptions::Front::Can) {
        CliOptions withNodes = options;
        if (withNodes.nodeIds.empty()) {
            withNodes.nodeIds.push_back(options.nodeId);
        }
        return RunCan(drives, withNodes, stopSignals, argc, argv);
    }
    return RunSerial(drives.front(), options, stopSignals);
}
