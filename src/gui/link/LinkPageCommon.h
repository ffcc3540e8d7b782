#pragma once

#include <QMdiSubWindow>
#include <QWidget>

namespace morlo::gui {

// The open/close button icon of the link pages: 204 while the link is open, 203 otherwise.
QString LinkButtonIcon(bool open);

// Default node id of the link pages.
inline constexpr int kDefaultDriverId = 1;
inline constexpr std::size_t kLinkSettingBuffer = 16;

}  // namespace morlo::gui
