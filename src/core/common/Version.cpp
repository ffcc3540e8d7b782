#include "Version.h"

namespace morlo {

const char* Version() {
    return MORLO_VERSION;
}

}  // namespace morlo
