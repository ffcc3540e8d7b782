#pragma once

#include <QComboBox>
#include <QLineEdit>

namespace morlo::gui {

class EditListCtrl;

// The text box over a value cell. Enter accepts, Escape cancels; either gives the focus back
// to the list, and losing the focus ends the edit.
class InPlaceEdit final : public QLineEdit {
    Q_OBJECT
  public:
    InPlaceEdit(EditListCtrl& list, int row, int column, const QString& text);
    int Row() const { return row_; }
    int Column() const { return column_; }
    // True once the edit has been reported; the window is about to close.
    bool Ended() const { return ended_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Tab stays in the editor (keyPressEvent ignores it) instead of moving the focus.
    bool focusNextPrevChild(bool) override { return false; }

  private:
    // Reports the edit to the list (once) and closes.
    void End();

    EditListCtrl& list_;
    int row_;
    int column_;
    bool cancelled_ = false;
    bool enter_ = false;
    bool ended_ = false;
    QString startText_;
};

// The drop-down list over a unit cell; picking an entry ends the edit at once.
class InPlaceCombo final : public QComboBox {
    Q_OBJECT
  public:
    InPlaceCombo(EditListCtrl& list, int row, int column, const QStringList& choices,
                 const QString& text);
    int Row() const { return row_; }
    bool Ended() const { return ended_; }
    // Picks an entry as a user would, ending the edit.
    void Pick(const QString& text);
    // Closing the drop-down list without a choice (Escape, a click beside it) ends the edit.
    void hidePopup() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void Finish();

    EditListCtrl& list_;
    int row_;
    int column_;
    bool cancelled_ = false;
    bool ended_ = false;
    QString startText_;
};

}  // namespace morlo::gui
