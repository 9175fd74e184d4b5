#include <gtest/gtest.h>

#include "test_env.h"

int main(int argc, char** argv) {
    vantry::test::PrepareEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    vantry::test::CleanEnvironment();
    return rc;
}
