#include "InPlaceEditors.h"

#include <QKeyEvent>
#include <QTimer>

#include "EditListCtrl.h"

namespace morlo::gui {

InPlaceEdit::InPlaceEdit(EditListCtrl& list, int row, int column, const QString& text)
    : QLineEdit(list.viewport()), list_(list), row_(row), column_(column), startText_(text) {
    setFont(list.font());
    setFrame(false);
    setText(text);
    selectAll();
    show();
    setFocus();
}

void InPlaceEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancelled_ = true;
        list_.setFocus();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        enter_ = true;
        list_.setFocus();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void InPlaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (ended_) {
        return;
    }
    ended_ = true;
    const QString result = cancelled_ ? startText_ : text();
    const bool enter = enter_ && !cancelled_;
    hide();
    deleteLater();
    list_.EndEdit(row_, column_, result, enter);
}

InPlaceCombo::InPlaceCombo(EditListCtrl& list, int row, int column, const QStringList& choices,
                           const QString& text)
    : QComboBox(list.viewport()), list_(list), row_(row), column_(column), startText_(text) {
    setFont(list.font());
    addItems(choices);
    setCurrentIndex(findText(text));
    connect(this, &QComboBox::activated, this, [this] { list_.setFocus(); });
    show();
    setFocus();
}

void InPlaceCombo::Pick(const QString& text) {
    setCurrentIndex(findText(text));
    emit activated(currentIndex());
}

void InPlaceCombo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancelled_ = true;
        list_.setFocus();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        list_.setFocus();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void InPlaceCombo::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    // Opening the drop-down list takes the focus into the popup; that is no end of the edit.
    if (view() && view()->isVisible()) {
        return;
    }
    Finish();
}

void InPlaceCombo::Finish() {
    if (ended_) {
        return;
    }
    ended_ = true;
    const QString result = cancelled_ ? startText_ : currentText();
    hide();
    deleteLater();
    list_.EndEdit(row_, column_, result, false);
}

}  // namespace morlo::gui
