#pragma once

#include <array>
#include <cstdint>

#include "CPageView.h"
#include "PageConstants.h"

class QCheckBox;
class QLabel;

namespace morlo::gui {

// The drive's current error word as sixteen lamps, and its error mask as sixteen check boxes
// the user may change. Both words are read at start and then cyclically.
class CRealtimeError final : public CPageView {
    Q_OBJECT
  public:
    explicit CRealtimeError(AppContext& context, QWidget* parent = nullptr);

    void OnResult(const engine::Delivery& delivery) override;
    // A click on a check box: the mask the boxes now show is written.
    void OnBoxClicked();

    QCheckBox* Box(int bit) const { return boxes_.at(static_cast<std::size_t>(bit)); }
    QLabel* Lamp(int bit) const { return lamps_.at(static_cast<std::size_t>(bit)); }
    QLabel* Label(int bit) const { return labels_.at(static_cast<std::size_t>(bit)); }
    // The icon lamp i shows (210 set, 211 clear).
    int LampIcon(int bit) const { return lampIcons_.at(static_cast<std::size_t>(bit)); }
    std::uint16_t MaskValue() const { return maskValue_; }
    std::uint16_t PendingMask() const { return pendingMask_; }
    int ReadStep() const { return readStep_; }
    // The lamp rectangle of a bit at a screen resolution.
    static QRect LampRect(int bit, int dpi);

  private:
    void BuildControls();
    void NextStartupRead();
    void ShowMask(std::uint16_t mask);
    void ShowState(std::uint16_t state);
    void SetLamp(int bit, int icon);

    std::array<QCheckBox*, page::kErrorBitCount> boxes_{};
    std::array<QLabel*, page::kErrorBitCount> lamps_{};
    std::array<QLabel*, page::kErrorBitCount> labels_{};
    std::array<int, page::kErrorBitCount> lampIcons_{};
    std::uint16_t maskValue_ = 0;
    std::uint16_t pendingMask_ = 0;
    int readStep_ = 0;
};

}  // namespace morlo::gui
