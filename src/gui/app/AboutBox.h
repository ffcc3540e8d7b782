#pragma once

#include <QDialog>

namespace morlo::gui {

// The about box: product icon, name and version.
class CAboutBox final : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutBox(QWidget* parent = nullptr);
};

}  // namespace morlo::gui
