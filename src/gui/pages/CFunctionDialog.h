#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <vector>

#include "FunctionWords.h"
#include "common/ObjectKey.h"

class QTableWidget;
class QPushButton;

namespace morlo::gui {

// The check list of the functions one kind of channel (inputs or outputs) of the digital I/O
// page may take: only the functions of its own kind. It is given the channel's function
// object and word, and hands the chosen word back to the page.
class CFunctionDialog final : public QDialog {
    Q_OBJECT
  public:
    // Receives the chosen word and the function object it is for.
    using ChoiceHandler = std::function<void(std::uint16_t value, ObjectKey key)>;

    CFunctionDialog(const FunctionNameFile& names, bool outputs, bool standardDpi,
                    ChoiceHandler handler, QWidget* parent = nullptr);

    // The channel to choose for, and the word whose functions are checked when shown.
    void SetTarget(ObjectKey key, std::uint16_t word);
    // "确定": hands the checked functions to the page, or refuses a mixed choice.
    void Accept();

    QTableWidget* List() const { return list_; }
    // The function code of a row.
    std::uint16_t CodeOfRow(int row) const { return codes_.at(static_cast<std::size_t>(row)); }
    void SetRowChecked(int row, bool checked);
    bool RowChecked(int row) const;
    QPushButton* OkButton() const { return ok_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FillRows(const FunctionNameFile& names, bool outputs);
    void CheckRowsOfWord();

    QTableWidget* list_;
    QPushButton* ok_;
    std::vector<std::uint16_t> codes_;
    ChoiceHandler handler_;
    ObjectKey key_ = 0;
    std::uint16_t word_ = 0;
};

}  // namespace morlo::gui
