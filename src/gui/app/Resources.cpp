#include "Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitMorloResources() {
    Q_INIT_RESOURCE(resources);
}

namespace morlo::gui {

void InitResources() {
    InitMorloResources();
}

}  // namespace morlo::gui
