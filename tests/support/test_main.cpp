// Test entry point: every test process starts in a private home, so that nothing a test does,
// even before its own fixture, can reach the real user's files.

#include "support/temp_home.h"

#include <gtest/gtest.h>
#include <memory>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    auto processHome = std::make_unique<testing_support::TempHome>();
    const int rc = RUN_ALL_TESTS();
    processHome.reset();
    return rc;
}
