#include <gmock/gmock.h>
#include <QApplication>

int main(int argc, char** argv) {
    // CTest lists the cases without the test environment, so default to a platform without a
    // display here too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
