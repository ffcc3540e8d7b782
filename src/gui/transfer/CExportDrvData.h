#pragma once

#include "CPageView.h"
#include "TransferPageCommon.h"
#include "transfer/DriveDataRun.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace morlo::gui {

// The read-drive-data page: loads an object list (.cdo), reads the drive's identity and every
// listed object from the drive, and saves the values as a drive-data file (.cdi or .txt) with
// its description beside it (NAME.cdi.ini). While shown it has the link to itself.
class CExportDrvData final : public CPageView, private transfer::TransferEvents {
    Q_OBJECT
  public:
    static constexpr int kColumnNumber = 0;
    static constexpr int kColumnKey = 1;
    static constexpr int kColumnValue = 2;
    static constexpr int kColumnResult = 3;
    static constexpr int kColumnName = 4;
    static constexpr int kColumnNote = 5;

    explicit CExportDrvData(AppContext& context, QWidget* parent = nullptr);

    void PageNotify(int code) override;
    void OnResult(const engine::Delivery& delivery) override;

    // The buttons' commands.
    void LoadList();
    void ReadAll();
    void SaveResults();

    const transfer::DriveDataRun& Run() const { return run_; }
    QTableWidget* List() const { return list_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* ReadButton() const { return read_; }
    QPushButton* SaveButton() const { return save_; }
    QLabel* LoadStatus() const { return loadStatus_; }
    QLabel* ReadStatus() const { return readStatus_; }
    QLabel* SaveStatus() const { return saveStatus_; }

  private:
    void RowChanged(int row) override;
    void RunFinished(transfer::RunKind kind, const transfer::RunCounts& counts,
                     bool noAnswer) override;
    void IdentityRead(const transfer::DriveIdentity& identity, bool noAnswer) override;
    void FillRows();
    void UpdateButtons();

    QPushButton* load_;
    QPushButton* read_;
    QPushButton* save_;
    QPushButton* exit_;
    QLabel* loadStatus_;
    QLabel* readStatus_;
    QLabel* saveStatus_;
    QTableWidget* list_;
    QTimer* linkWatch_;  // while a run is busy: ends it at once when the link goes
    QtTransferTimer timer_;
    transfer::ControlLinkTransfer link_;
    transfer::DriveDataRun run_;
    std::string readDate_;  // when the rows were read, for the file's description
};

}  // namespace morlo::gui
