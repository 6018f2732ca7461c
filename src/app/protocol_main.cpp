#include <QApplication>
#include <QFileInfo>
#include <QFont>

#include "App.h"
#include "RegisterWindows.h"
#include "frmMDI.h"
#include "modMain.h"
#include "resources.h"

int main(int argc, char* argv[]) {
    App::UseLocalTimeZoneFile();
    QApplication app(argc, argv);
    App::SetTitle(QStringLiteral("Protocol"));
    App::SetProductName(QStringLiteral("Protocol"));
    App::SetEXEName(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    App::SetVersion(PROTOCOL_VERSION_MAJOR, PROTOCOL_VERSION_MINOR, PROTOCOL_VERSION_PATCH);
    // The reports and forms ask for "Arial Greek"; Liberation Sans has Arial's metrics.
    QFont::insertSubstitution(QStringLiteral("Arial Greek"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    // The windows are laid out in twips for the small font of the office's desktops.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 8));

    // Qt's file, print and page set-up dialogs speak Greek too.
    Resources::InstallQtTranslation();

    // Every window, the first-run and log-in windows included, shows the main window's icon.
    QApplication::setWindowIcon(frmMDI::AppIcon());
    // The name of its desktop entry, by which the desktop finds the program's entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(PROTOCOL_APP_ID));

    RegisterWindows::Install();
    if (!modMain::Main()) return 0;
    return app.exec();
}
