#pragma once

#include <QDialog>

#include "GuiDispatcher.h"
#include "TransferPageCommon.h"
#include "transfer/DriveDataRun.h"

class QLabel;
class QPushButton;

namespace morlo::gui {

class AppContext;

// The parameter initialise/store dialog: stores the control or the motor parameters,
// initialises the control parameters, or restarts the drive. It has the link to itself while
// it is open, without cyclic reads and without send retries; closing it lets every page
// refresh. What became of a command is shown in its status line, a refusal also in a message
// with the drive's abort code.
class CStoreDialog final : public QDialog, public ResultReceiver, private transfer::TransferEvents {
    Q_OBJECT
  public:
    explicit CStoreDialog(AppContext& context, QWidget* parent = nullptr);
    ~CStoreDialog() override;

    void OnResult(const engine::Delivery& delivery) override { run_.OnResult(delivery); }

    QPushButton* StoreControlButton() const { return storeControl_; }
    QPushButton* StoreMotorButton() const { return storeMotor_; }
    QPushButton* InitialiseButton() const { return initialise_; }
    QPushButton* RestartButton() const { return restart_; }
    QLabel* Status() const { return status_; }
    const transfer::DriveDataRun& Run() const { return run_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Send(transfer::DriveCommand command);
    void RowChanged(int) override {}
    void RunFinished(transfer::RunKind, const transfer::RunCounts&, bool) override {}
    void CommandFinished(transfer::DriveCommand command,
                         const transfer::CommandResult& result) override;
    void UpdateButtons();

    AppContext& context_;
    engine::ReceiverId id_;
    QPushButton* storeControl_;
    QPushButton* storeMotor_;
    QPushButton* initialise_;
    QPushButton* restart_;
    QLabel* status_;
    QtTransferTimer timer_;
    transfer::ControlLinkTransfer link_;
    transfer::DriveDataRun run_;
};

}  // namespace morlo::gui
