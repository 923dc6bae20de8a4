#include <QCoreApplication>
#include "testsupport/realcomponent.h"
#include <gtest/gtest.h>

// The command layer needs no widgets: its tests run without them.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return testsupport::RunAllTestsCountingSkips();
}
