#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace morlo::gui {

// Where the main window stands, as sys.ini [window] "geometry" keeps it between runs:
// "x,y,width,height,maximised" (the normal geometry, and 1 when it was maximised).
struct MainWindowPlace {
    QRect normal;
    bool maximised = false;
};

std::optional<MainWindowPlace> ParseMainWindowPlace(const QString& text);
QString FormatMainWindowPlace(const MainWindowPlace& place);

// The place to start with on a screen whose available area is given: the saved one, shrunk
// and moved into the area; or, the first time (or when the saved place lies off the area), the
// whole area, maximised.
MainWindowPlace StartPlace(const std::optional<MainWindowPlace>& saved, const QRect& available);

}  // namespace morlo::gui
