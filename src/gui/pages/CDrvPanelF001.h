#pragma once

#include <cstdint>
#include <vector>

#include "CPageView.h"

class QComboBox;
class QLineEdit;

namespace morlo::gui {

// Which value the drive's own display shows (one byte in 0x2FF0:04), chosen from the display
// items of sys/F001.ini, and that value, read cyclically.
class CDrvPanelF001 final : public CPageView {
    Q_OBJECT
  public:
    explicit CDrvPanelF001(AppContext& context, QWidget* parent = nullptr);

    void PageNotify(int code) override;
    void OnResult(const engine::Delivery& delivery) override;
    // The user chose an entry of the drop-down list.
    void OnItemChosen(int entry);

    QComboBox* Items() const { return items_; }
    QLineEdit* ValueField() const { return value_; }
    ObjectKey SelectedKey() const { return selectedKey_; }
    std::uint32_t SignLimit() const { return signLimit_; }
    bool Active() const { return active_; }

  private:
    // One entry of the drop-down list: the drive's item number and the object it shows.
    struct Item {
        int number;
        ObjectKey key;
    };
    void FillItems();
    void ShowDisplayedItem(std::uint32_t number);
    void ShowValue(std::int32_t raw);
    void FollowItem(ObjectKey key);
    int EntryOfNumber(int number) const;

    QComboBox* items_;
    QLineEdit* value_;
    std::vector<Item> entries_;
    int shownEntry_ = -1;  // the entry of the item the drive displays
    ObjectKey selectedKey_ = 0;
    std::uint32_t signLimit_ = 0;
    std::uint32_t signModulus_ = 0;
    bool unsigned32_ = false;
    bool active_ = false;
    bool itemWritePending_ = false;
};

}  // namespace morlo::gui
