#include <QApplication>
#include <gtest/gtest.h>

// Every test program gets a real QApplication on the offscreen platform, so
// widgets, timers and queued events behave as in the application.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
