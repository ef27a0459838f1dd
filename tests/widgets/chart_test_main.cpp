// Test main of the chart widget tests: the widgets need an application.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Headless also when run by hand or listed by the build's test discovery.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
