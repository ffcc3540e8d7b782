#include "QtLinkFactories.h"

#include "QtCanLinkObject.h"
#include "QtSerialLinkObject.h"

namespace morlo::link {

void RegisterQtLinkFactories(LinkLibrary& library, const std::string& canInterface) {
    library.RegisterFactory(kLinkTypeSerial, [] { return std::make_unique<QtSerialLinkObject>(); });
    library.RegisterFactory(
        kLinkTypeCan, [canInterface] { return std::make_unique<QtCanLinkObject>(canInterface); });
}

}  // namespace morlo::link
