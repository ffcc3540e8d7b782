#pragma once

class QWidget;

namespace morlo::gui {

class AppContext;

// Writes the placement record of a page into the project being saved: whether it is shown
// and where its window sits relative to the main window. Nothing when the page has no window.
void WritePagePlacement(AppContext& context, const QWidget* view, int pageId, bool active);

}  // namespace morlo::gui
