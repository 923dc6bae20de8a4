#include <QCoreApplication>
#include "testsupport/realcomponent.h"
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return testsupport::RunAllTestsCountingSkips();
}
