#pragma once

#include <QDialog>

class QRadioButton;

namespace morlo::gui {

class AppContext;

// Chooses the language of the next start: Chinese (on a Chinese system only) or English.
class CLanguageDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit CLanguageDialog(AppContext& context, QWidget* parent = nullptr);

    QRadioButton* ChineseButton() const { return chinese_; }
    QRadioButton* EnglishButton() const { return english_; }
    void Confirm();  // the OK button

  private:
    AppContext& context_;
    QRadioButton* chinese_;
    QRadioButton* english_;
};

}  // namespace morlo::gui
