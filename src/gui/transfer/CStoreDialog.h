#pragma once

#include <QDialog>

#include "GuiDispatcher.h"

class QPushButton;

namespace morlo::gui {

class AppContext;

// The parameter initialise/store dialog: stores the control or the motor parameters,
// initialises the control parameters, or restarts the drive. It has the link to itself while
// it is open, without cyclic reads and without send retries; closing it lets every page
// refresh. The drive's answers are not shown.
class CStoreDialog final : public QDialog, public ResultReceiver {
    Q_OBJECT
  public:
    explicit CStoreDialog(AppContext& context, QWidget* parent = nullptr);
    ~CStoreDialog() override;

    void OnResult(const engine::Delivery&) override {}

    QPushButton* StoreControlButton() const { return storeControl_; }
    QPushButton* StoreMotorButton() const { return storeMotor_; }
    QPushButton* InitialiseButton() const { return initialise_; }
    QPushButton* RestartButton() const { return restart_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Send(std::uint8_t command, ObjectKey key, std::int32_t value);

    AppContext& context_;
    engine::ReceiverId id_;
    QPushButton* storeControl_;
    QPushButton* storeMotor_;
    QPushButton* initialise_;
    QPushButton* restart_;
};

}  // namespace morlo::gui
