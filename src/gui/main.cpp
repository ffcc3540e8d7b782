// MorloServo: commissioning and diagnostics of the drive family.

#include "Startup.h"

int main(int argc, char** argv) {
    return morlo::gui::RunApplication(argc, argv);
}
