#include "host/portuguese.h"
#include <QApplication>
#include "testsupport/realcomponent.h"
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Test discovery runs the program without the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the host runs the module: Brazilian formats and Qt's texts in Portuguese.
    qor::UsePortuguese();
    ::testing::InitGoogleTest(&argc, argv);
    return testsupport::RunAllTestsCountingSkips();
}
