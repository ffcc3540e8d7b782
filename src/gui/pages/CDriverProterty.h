#pragma once

#include "ParameterPage.h"

namespace morlo::gui {

// Drive properties: also reads text objects (names, versions) in segments.
class CDriverProterty final : public ParameterPage {
    Q_OBJECT
  public:
    explicit CDriverProterty(AppContext& context);

  protected:
    bool ShowValue(std::int32_t value, ObjectKey key) override;
    void OnSegment(ObjectKey key) override;

  private:
    std::string segmentText_;
    std::uint8_t segmentToggle_ = 0;
};

}  // namespace morlo::gui
