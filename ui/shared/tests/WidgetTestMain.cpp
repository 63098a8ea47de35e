#include <gmock/gmock.h>
#include <QApplication>

int main(int argc, char** argv) {
    // CTest lists the cases without the test environment, so default to a platform without a
    // display here too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's windows would use the desktop's keyring; a test brings its own.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelvane-widget-tests-bus");
    ::testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
