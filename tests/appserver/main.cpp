#include "harness.h"
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Also what CTest's discovery lists: the cases of the other database are not registered at all.
    if (::testing::GTEST_FLAG(filter) == "*")
        ::testing::GTEST_FLAG(filter) = apptest::FilterOfThisDatabasesRun().toStdString();
    return testsupport::RunAllTestsCountingSkips();
}
