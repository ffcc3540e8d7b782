#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "CPageView.h"

class QTableWidget;

namespace morlo::gui {

// The drive's error log (eight records of time and error code in 0x2610..0x2617), newest
// first, each code with the texts of its error bits.
class CDrvPanelF007 final : public CPageView {
    Q_OBJECT
  public:
    static constexpr int kColumnTime = 0;  // hidden; orders the rows
    static constexpr int kColumnRecord = 1;
    static constexpr int kColumnCode = 2;
    static constexpr int kColumnText = 3;

    explicit CDrvPanelF007(AppContext& context, QWidget* parent = nullptr);

    void PageNotify(int code) override;
    void OnResult(const engine::Delivery& delivery) override;

    QTableWidget* List() const { return list_; }
    QString Text(int row, int column) const;
    bool Running() const { return nextKey_ != 0; }
    bool Active() const { return active_; }

  private:
    void StartSequence();
    void Read(ObjectKey key);
    void Advance(ObjectKey answered, std::optional<std::uint32_t> value);
    void InsertRecord(std::uint16_t code);
    void SortByTimeDescending();

    QTableWidget* list_;
    int record_ = 0;
    std::optional<std::int64_t> lastTime_;
    ObjectKey nextKey_ = 0;  // the read the sequence waits for; 0 when it does not run
    bool active_ = false;
};

// The order of error log rows by their time texts (decimal), greatest first, as a selection
// sort puts them; a row without a readable time counts as the earliest. Returns indices into
// the given times.
std::vector<int> ErrorLogOrder(const std::vector<QString>& times);

}  // namespace morlo::gui
