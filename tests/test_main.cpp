#if defined(STILLEX_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(STILLEX_TEST_GUI)
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#include <gtest/gtest.h>

// Every test program gets the application object its code needs (a full
// one, on the offscreen platform, for windows), so timers and queued events
// behave as in the application.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
