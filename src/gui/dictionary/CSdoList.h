#pragma once

#include "CPageView.h"

namespace morlo::gui {

// The data dictionary browser (being written).
class CSdoList final : public CPageView {
    Q_OBJECT
  public:
    explicit CSdoList(AppContext& context, QWidget* parent = nullptr);
};

}  // namespace morlo::gui
