#include <QCoreApplication>
#include <gtest/gtest.h>

// The command layer needs no widgets: its tests run without them.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
