#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "CliArguments.h"
#include "JsonLines.h"
#include "canopen/NetworkMonitor.h"
#include "dictionary/ObjectDictionary.h"
#include "engine/ControlLink.h"
#include "engine/HandlerDispatcher.h"
#include "link/LinkLibrary.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/DriveDataReport.h"
#include "transfer/DriveDataSidecar.h"
#include "transfer/TransferRow.h"
#include "values/FormulaEvaluator.h"
#include "values/UnitTable.h"
#include "values/ValueConversion.h"

namespace morlo::scope {
struct ScopeItem;
struct CaptureDescription;
}  // namespace morlo::scope

namespace morlo::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitLinkFailure = 2;
inline constexpr int kExitUsage = 3;
// The working folder's object database is missing or unusable: nothing can be addressed.
inline constexpr int kExitNoDatabase = 2;

// The receiver id of the command's own requests.
inline constexpr engine::ReceiverId kCommandReceiver = 2;

// The engine as the command-line tool uses it: the working folder's dictionary, one link,
// the control-link thread, and this thread as the receivers' thread.
class CliSession {
  public:
    CliSession(const CliArguments& arguments, std::filesystem::path workFolder, std::ostream& out,
               std::ostream& err, const std::atomic<bool>& interrupted);
    ~CliSession();

    int Run();

  private:
    struct ObjectRead;
    struct TransferFace;
    struct ScopeFace;

    // kExitDone, or the exit code of what stands in the way.
    int Prepare();
    // The language of sys.ini; a sys.ini that cannot be read is reported and reads as empty.
    int ReadLanguage(const std::filesystem::path& sysIni);
    bool OpenLink();
    int Read();
    int Write();
    int Info();
    int Watch();
    // watch --csv: every period one round of reads, written as one row (CliWatch.cpp).
    int WatchToCsv();
    int Backup();
    int Restore();
    int Compare();
    int Diff();
    // store, init, restart: the store dialog's commands.
    int RunDriveCommand();
    int Scope();
    int Scan();
    int Nmt();
    // For scan, nmt and watch --emcy: kExitDone on a CAN link, else a message and kExitUsage.
    int RequireCan(const char* what);
    // Prints the emergencies received after `seen`, at most `most` (-1: all), and moves `seen`
    // past them; returns how many it printed.
    int PrintEmergencies(std::uint64_t& seen, int most);

    // The files of a drive-data command, read and checked before the link opens, so that a
    // file that cannot be used costs nothing on the drive.
    struct TransferInput {
        std::vector<std::uint32_t> list;                    // backup: the object list
        std::vector<transfer::DriveDataLine> lines;         // restore, compare: the file's rows
        std::optional<transfer::DriveDataSidecar> sidecar;  // its description, when it has one
    };
    int PrepareTransferFiles();
    // Reads a drive-data file that must hold a usable row; kExitDone or kExitUsage (reported).
    int ReadDriveDataFile(const std::string& file, std::vector<transfer::DriveDataLine>& lines);
    // A folder that exists and a name that is no folder; reported when not.
    bool CanWriteFile(const std::string& file);
    // Reads the drive's identity; kExitDone, or the link failure (reported).
    int ReadIdentity(TransferFace& face);
    // Before a restore or compare: the drive against the file's description. A different
    // device name or software version is a warning, or with --expect-same-drive exit 3.
    int CheckSameDrive(TransferFace& face);
    // Writes the report file of the rows when --report asks for one.
    int WriteReport(const std::vector<transfer::ReportRow>& rows, transfer::ReportKind kind);
    // A raw value in the object's default unit (reading formula constants from the drive
    // when the link is open); nullopt when it cannot be shown so.
    std::optional<transfer::UnitValue> ShowInUnit(std::uint32_t driveDataKey, std::uint32_t raw);
    int RunCommandAndWait(TransferFace& face, transfer::DriveCommand command);
    // A store, initialise or restart command the drive refused: reported, exit 1.
    int ReportCommandRefusal(ObjectKey key, std::uint32_t code);
    // Restore and compare: the file's rows against the drive, then the rows the drive lacks or
    // refuses and the report. stopped: what stood in the way first (another drive, the link,
    // the report), so nothing may follow.
    struct FileRun {
        int exitCode = 0;
        bool stopped = false;
    };
    FileRun RunAgainstFile(TransferFace& face, transfer::RunKind kind);

    // Runs the capture cycle until done() or the link failed, the time ran out or ^C (Quiet:
    // the time counts from the command's last result).
    enum class Limit { Total, Quiet };
    bool RunScope(ScopeFace& face, const std::function<bool()>& done,
                  std::chrono::milliseconds limit, Limit kind);
    // A refusal (exit 3) or a link failure (exit 2), reported.
    int ScopeFailure(ScopeFace& face, const char* stage);
    int WriteScopeFiles(ScopeFace& face, const std::vector<scope::ScopeItem>& items,
                        const scope::CaptureDescription& description);
    // The engineering table of --table: time and values in the objects' default units.
    int WriteScopeTable(ScopeFace& face, const std::vector<scope::ScopeItem>& items);
    std::string LinkText() const;

    // Runs a drive-data run (its rows, or the store) until done() or the link failed or ^C;
    // false when it was interrupted.
    bool Drive(TransferFace& face, const std::function<bool()>& done);
    // Runs the rows, prints those that are not "True" by name and unit, and the status line.
    int RunRows(TransferFace& face, transfer::RunKind kind);

    // Reads one object (numbers, or a text by segmented upload) and waits for the result.
    int ReadObject(ObjectKey key, const std::string& unit, std::string& text,
                   std::optional<std::uint32_t>* raw = nullptr);
    // A result of this command on stdout: the text line, or with --json its JSON object.
    void PrintResult(const std::string& textLine, const ResultLine& json);
    // Drive-data rows as JSON lines (key, name, unit, value, file or first/second, result).
    void PrintReportJson(const std::string& command, const std::vector<transfer::ReportRow>& rows);
    // The rows a described file has and the drive lacks or refuses.
    void PrintRefusedRows(const std::vector<transfer::TransferRow>& rows,
                          const transfer::DriveDataSidecar& sidecar);
    // What became of a command that has no rows (store, init, restart).
    void PrintOutcome(const std::string& text, const std::string& result);
    ResultLine ObjectLine(const char* command, ObjectKey key, const DictionaryEntry& entry,
                          const std::string& value, const std::string& unit,
                          std::optional<std::uint32_t> raw) const;
    bool UnitFor(ObjectKey key, const DictionaryEntry& entry, std::string& unit);
    bool EntryAndUnit(ObjectKey key, DictionaryEntry& entry, std::string& unit);
    // The value column text of a raw value, handed to `done` at once or, when a formula
    // constant is being read, once it has arrived; nullopt when it cannot be shown.
    void Show(ObjectKey key, const DictionaryEntry& entry, const std::string& unit,
              std::uint32_t raw, const std::function<void(std::optional<std::string>)>& done);
    void OnMainWindow(const engine::Delivery& delivery);
    void OnCommand(const engine::Delivery& delivery);
    // Runs results until done() or the link failed, the time ran out or ^C. Quiet: the limit
    // counts from the command's last result, so that a long upload that keeps answering
    // (a text of many segments on a slow line) is not given up.
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit,
                 Limit kind = Limit::Total);
    void Trace(bool sent, std::optional<std::uint32_t> canId, std::span<const std::uint8_t> bytes);
    int ReportRefusal(std::uint32_t code);
    static std::string AbortText(std::uint32_t code);

    const CliArguments& arguments_;
    const std::filesystem::path workFolder_;
    std::ostream& out_;
    std::ostream& err_;
    const std::atomic<bool>& interrupted_;
    std::unique_ptr<MessageSink> messages_;  // before everything that reports through it

    ObjectDictionary dictionary_;
    link::LinkLibrary library_;
    engine::HandlerDispatcher dispatcher_;
    std::unique_ptr<engine::ControlLink> control_;
    std::unique_ptr<FormulaEvaluator> evaluator_;
    UnitTable units_;
    std::unique_ptr<ValueConversion> conversion_;
    canopen::NetworkMonitor network_;

    TransferInput transferInput_;
    bool linkOpen_ = false;
    bool linkFailed_ = false;
    std::chrono::steady_clock::time_point lastCommandResult_{};
    std::function<void(const engine::Delivery&)> commandHandler_;
    // The abort code of the last refused write, seen on the wire before the codec re-reads.
    std::atomic<std::uint32_t> refusedWrite_{0};
    std::atomic<bool> lastSentWasWrite_{false};
};

}  // namespace morlo::cli
