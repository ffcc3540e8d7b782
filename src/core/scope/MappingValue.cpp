#include "scope/MappingValue.h"

#include "text/NumberText.h"

namespace morlo::scope {

std::optional<int> SizeCodeOf(std::string_view dataType) {
    const int width = ParseDecimalLoose(dataType);
    if (width != 8 && width != 16 && width != 32) {
        return std::nullopt;
    }
    const bool isSigned = !dataType.empty() && (dataType.front() == 'I' || dataType.front() == 'i');
    return width + (isSigned ? 1 : 0);
}

int SlotIndexOf(ObjectKey key) {
    for (int i = 0; i < kSlotCount; ++i) {
        if (kRecorderSlots[static_cast<std::size_t>(i)] == key) {
            return i;
        }
    }
    return -1;
}

}  // namespace morlo::scope
