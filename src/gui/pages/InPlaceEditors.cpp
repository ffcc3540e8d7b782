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
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            // Ignored: they would move the list's row under the edit, and the value belongs
            // to the row the editor was opened on.
            event->accept();
            return;
        default:
            break;
    }
    if (event->key() == Qt::Key_Escape) {
        cancelled_ = true;
        list_.setFocus();
        End();  // also when the focus change brings no focus-out (an inactive window)
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        enter_ = true;
        list_.setFocus();
        End();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void InPlaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    End();
}

void InPlaceEdit::End() {
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
    connect(this, &QComboBox::activated, this, [this] {
        list_.setFocus();
        Finish();
    });
    show();
    setFocus();
}

void InPlaceCombo::hidePopup() {
    QComboBox::hidePopup();
    // A choice is reported right after the list closes (activated); without one, end here.
    QTimer::singleShot(0, this, [this] {
        if (!ended_) {
            cancelled_ = true;
            list_.setFocus();
            Finish();  // in case the list had the focus already
        }
    });
}

void InPlaceCombo::Pick(const QString& text) {
    setCurrentIndex(findText(text));
    emit activated(currentIndex());
}

void InPlaceCombo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancelled_ = true;
        list_.setFocus();
        Finish();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        list_.setFocus();
        Finish();
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
