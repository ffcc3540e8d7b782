#pragma once

#include <filesystem>
#include <optional>

#include "CPageView.h"
#include "TransferPageCommon.h"
#include "transfer/DriveDataRun.h"
#include "transfer/DriveDataSidecar.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace morlo::gui {

// The write-drive-data page: loads a drive-data file (.cdi) and its description, writes every
// row into the drive and compares what the drive reports, compares drive and file without
// writing, makes the drive store its parameters, restarts it, and verifies afterwards that
// the values persisted. A file saved from another drive (by its description) is named before
// anything is written; a partial write is stored only when the user confirms. While shown it
// has the link to itself; hiding it lets every page refresh.
class CImportDrvData final : public CPageView, private transfer::TransferEvents {
    Q_OBJECT
  public:
    static constexpr int kColumnNumber = 0;
    static constexpr int kColumnKey = 1;
    static constexpr int kColumnLoadValue = 2;
    static constexpr int kColumnReadValue = 3;
    static constexpr int kColumnResult = 4;
    static constexpr int kColumnName = 5;
    static constexpr int kColumnNote = 6;

    explicit CImportDrvData(AppContext& context, QWidget* parent = nullptr);

    void PageNotify(int code) override;
    void OnResult(const engine::Delivery& delivery) override;

    // The buttons' commands.
    void LoadFile();
    void WriteAll();
    void CompareAll();
    void VerifyAll();
    void StoreParameters();
    void RestartDrive();
    // Hides the rows that are "True" (or shows every row again).
    void ShowDifferencesOnly(bool on);

    const transfer::DriveDataRun& Run() const { return run_; }
    QTableWidget* List() const { return list_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* WriteButton() const { return write_; }
    QPushButton* CompareButton() const { return compare_; }
    QPushButton* VerifyButton() const { return verify_; }
    QPushButton* StoreButton() const { return store_; }
    QPushButton* RestartButton() const { return restart_; }
    QCheckBox* DifferencesOnlyBox() const { return differencesOnly_; }
    QLabel* LoadStatus() const { return loadStatus_; }
    QLabel* WriteStatus() const { return writeStatus_; }
    QLabel* StoreStatus() const { return storeStatus_; }

  private:
    void RowChanged(int row) override;
    void RowsStarted(transfer::RunKind kind) override;
    void RunFinished(transfer::RunKind kind, const transfer::RunCounts& counts,
                     bool noAnswer) override;
    void CommandFinished(transfer::DriveCommand command,
                         const transfer::CommandResult& result) override;
    void IdentityRead(const transfer::DriveIdentity& identity, bool noAnswer) override;
    // Restore or compare: with a described file the drive's identity is read and checked
    // first (IdentityRead, then SameDriveOrAsk).
    void StartRows(transfer::RunKind kind);
    void StartChecked(transfer::RunKind kind);
    void SameDriveOrAsk(transfer::RunKind kind);
    // False (and says so) when the rows hold nothing that can be written or compared.
    bool HasUsableRows();
    void ShowRefusedRows();
    void LinkLost();
    void FillRows();
    void UpdateButtons();
    QString FileName() const;

    QPushButton* load_;
    QPushButton* write_;
    QPushButton* compare_;
    QPushButton* verify_;
    QPushButton* store_;
    QPushButton* restart_;
    QPushButton* saveHidden_;
    QPushButton* exitHidden_;
    QCheckBox* differencesOnly_;
    QLabel* loadStatus_;
    QLabel* writeStatus_;
    QLabel* storeStatus_;
    QTableWidget* list_;
    // While a run is busy, or the send retries are off after a restart: notices at once that
    // the link went.
    QTimer* linkWatch_;
    QtTransferTimer timer_;
    transfer::ControlLinkTransfer link_;
    transfer::DriveDataRun run_;
    std::filesystem::path file_;                         // the file loaded, empty for none
    std::optional<transfer::DriveDataSidecar> sidecar_;  // its description
    std::optional<transfer::RunKind> checking_;  // the run that waits for the identity check
    bool writeIncomplete_ = false;               // the last write left rows that are not "True"
};

}  // namespace morlo::gui
