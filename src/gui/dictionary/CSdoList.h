#pragma once

#include <QString>

#include "CPageView.h"
#include "dictionary/DictionaryEntry.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace morlo::gui {

class EditListCtrl;

// The data dictionary browser: every object of the dictionary in a list, the description of
// the selected one, sorting by index or name, a name search, and a double-click that hands
// the object to the page that asked for one.
class CSdoList final : public CPageView {
    Q_OBJECT
  public:
    static constexpr int kColumnIndex = 0;
    static constexpr int kColumnSub = 1;
    static constexpr int kColumnName = 2;
    static constexpr int kSortByIndex = 0;
    static constexpr int kSortByName = 1;

    explicit CSdoList(AppContext& context, QWidget* parent = nullptr);

    void PageNotify(int code) override;

    // The description as built (lines end with "\r\n"); the text box shows it converted.
    const QString& DescriptionText() const { return description_; }
    // The described row, or -1.
    int DescribedRow() const { return describedRow_; }
    // What a double-click on the row does: the requesting page gets the object, the browser
    // window closes.
    void ChooseRow(int row);
    // What the search button does.
    void Search();
    // The object of a row: index column * 256 + sub column, both hexadecimal.
    ObjectKey RowKey(int row) const;

    EditListCtrl* List() const { return list_; }
    QComboBox* SortCombo() const { return sortCombo_; }
    QLineEdit* SearchEdit() const { return searchEdit_; }
    QPushButton* SearchButton() const { return searchButton_; }
    QPlainTextEdit* DescriptionBox() const { return descriptionBox_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FillRows();
    void RefillIfGrown();
    void PollLoad();
    void Describe(int row);
    void OnSelectionChanged();
    void SortRows(int by);

    EditListCtrl* list_;
    QPlainTextEdit* descriptionBox_;
    QComboBox* sortCombo_;
    QLineEdit* searchEdit_;
    QPushButton* searchButton_;
    QTimer* loadPoll_;

    QString description_;
    int describedRow_ = -1;
    int sortApplied_ = -1;  // the last sort chosen, -1 while in dictionary order
    QString searchText_;
    int lastMatch_ = -1;
};

// The description text of a dictionary entry, lines ending with "\r\n".
QString DescribeEntry(const DictionaryEntry& entry);

}  // namespace morlo::gui
