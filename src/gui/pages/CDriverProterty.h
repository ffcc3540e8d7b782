#pragma once

#include "ParameterPage.h"

namespace morlo::gui {

// Drive properties: also shows text objects (names, versions), read in segments by the page
// family or, when short, in the answer itself.
class CDriverProterty final : public ParameterPage {
    Q_OBJECT
  public:
    explicit CDriverProterty(AppContext& context);

  protected:
    bool ShowValue(std::int32_t value, ObjectKey key) override;
};

}  // namespace morlo::gui
