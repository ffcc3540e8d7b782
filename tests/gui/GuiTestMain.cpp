#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    // The offscreen platform with one 1366 x 768 screen at 96 dpi, under a locale that is not
    // Chinese: the small screen every page must fit, and a language the locale does not give.
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" MORLO_TEST_SCREEN, 1);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LANGUAGE");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
