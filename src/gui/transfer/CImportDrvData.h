#pragma once

#include "CPageView.h"
#include "TransferPageCommon.h"
#include "transfer/DriveDataRun.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace morlo::gui {

// The write-drive-data page: loads a drive-data file (.cdi), writes every row into the drive
// and compares what the drive reports, compares drive and file without writing, makes the
// drive store its parameters, restarts it, and verifies afterwards that the values persisted.
// While shown it has the link to itself; hiding it lets every page refresh.
class CImportDrvData final : public CPageView, private transfer::TransferEvents {
    Q_OBJECT
  public:
    static constexpr int kColumnNumber = 0;
    static constexpr int kColumnKey = 1;
    static constexpr int kColumnLoadValue = 2;
    static constexpr int kColumnReadValue = 3;
    static constexpr int kColumnResult = 4;
    static constexpr int kColumnName = 5;

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

    const transfer::DriveDataRun& Run() const { return run_; }
    QTableWidget* List() const { return list_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* WriteButton() const { return write_; }
    QPushButton* CompareButton() const { return compare_; }
    QPushButton* VerifyButton() const { return verify_; }
    QPushButton* StoreButton() const { return store_; }
    QPushButton* RestartButton() const { return restart_; }
    QLabel* LoadStatus() const { return loadStatus_; }
    QLabel* WriteStatus() const { return writeStatus_; }
    QLabel* StoreStatus() const { return storeStatus_; }

  private:
    void RowChanged(int row) override;
    void RowsStarted(transfer::RunKind kind) override;
    void RunFinished(transfer::RunKind kind, const transfer::RunCounts& counts,
                     bool noAnswer) override;
    void StoreFinished(transfer::StoreOutcome outcome) override;
    void StartRows(transfer::RunKind kind);
    void FillRows();
    void UpdateButtons();

    QPushButton* load_;
    QPushButton* write_;
    QPushButton* compare_;
    QPushButton* verify_;
    QPushButton* store_;
    QPushButton* restart_;
    QPushButton* saveHidden_;
    QPushButton* exitHidden_;
    QLabel* loadStatus_;
    QLabel* writeStatus_;
    QLabel* storeStatus_;
    QTableWidget* list_;
    QTimer* linkWatch_;  // while a run is busy: ends it at once when the link goes
    QtTransferTimer timer_;
    transfer::ControlLinkTransfer link_;
    transfer::DriveDataRun run_;
};

}  // namespace morlo::gui
