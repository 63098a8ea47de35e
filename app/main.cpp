#include "TfrmMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    QApplication::setOrganizationName(QStringLiteral("Tarnwick Corporation"));
    QApplication::setApplicationVersion(QStringLiteral(KELVANE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/kelvane.svg")));

    kelvane::TfrmMain window;
    window.show();
    return app.exec();
}
