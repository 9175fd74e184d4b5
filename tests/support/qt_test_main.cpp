#include <gtest/gtest.h>

#include <QApplication>

#include "test_env.h"

int main(int argc, char** argv) {
    vantry::test::PrepareEnvironment();
    int rc = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    vantry::test::CleanEnvironment();
    return rc;
}
