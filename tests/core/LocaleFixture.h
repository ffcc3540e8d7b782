#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace morlo::test {

// Runs a test once in the "C" locale and once under a decimal-comma locale set here (skipped
// where the machine cannot create it): numbers must read and write the same in both.
class UnderLocale : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        previous_ = std::setlocale(LC_ALL, nullptr);
        if (std::setlocale(LC_ALL, GetParam()) == nullptr &&
            std::setlocale(LC_ALL, WindowsName(GetParam())) == nullptr) {
            GTEST_SKIP() << "locale " << GetParam() << " is not available here";
        }
    }
    void TearDown() override { std::setlocale(LC_ALL, previous_.c_str()); }

  private:
    // The same locale by its Windows name (the C runtime there knows no POSIX names).
    static const char* WindowsName(const char* posix) {
        return std::string(posix) == "de_DE.UTF-8" ? "German_Germany.1252" : posix;
    }

    std::string previous_;
};

inline const auto kTestLocales = ::testing::Values("C", "de_DE.UTF-8");

}  // namespace morlo::test
