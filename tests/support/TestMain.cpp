#include <QApplication>

#include <gmock/gmock.h>

// Every test program owns a QApplication, so widget and event-loop tests run anywhere
// (GUI tests get QT_QPA_PLATFORM=offscreen from ctest).
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
