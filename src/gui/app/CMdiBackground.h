#pragma once

#include <QMdiArea>
#include <QPixmap>

namespace morlo::gui {

// The client area behind the page windows: the background picture stretched over it at
// every size.
class CMdiBackground final : public QMdiArea {
    Q_OBJECT
  public:
    explicit CMdiBackground(QWidget* parent = nullptr);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Restretch();
    QString picture_;
};

}  // namespace morlo::gui
