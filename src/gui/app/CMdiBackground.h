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

    // Tile and cascade the shown page windows; page windows keep their fixed sizes and the
    // main window's size never changes. Tile lays them side by side in rows, none covering
    // another (the area scrolls to what lies beyond it); cascade keeps every one in view.
    void TileInside();
    void CascadeInside();
    // Moves the window as little as keeps it whole in the visible area (its top left corner
    // stays in view when it is larger).
    void KeepInside(QMdiSubWindow* window) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Restretch();
    QList<QMdiSubWindow*> ShownWindows() const;
    // Moves the window to the place, or as near to it as keeps it inside the visible area.
    void PlaceInside(QMdiSubWindow* window, QPoint place) const;
    // Where the area's content starts while it is scrolled.
    QPoint ScrollOrigin() const;
    QString picture_;
};

}  // namespace morlo::gui
