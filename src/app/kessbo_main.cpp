#include <QApplication>
#include <QFileInfo>
#include <QFont>

#include "App.h"
#include "AppIcons.h"
#include "ModMain.h"

int main(int argc, char* argv[]) {
    App::UseLocalTimeZoneFile();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kessbo"));
    App::SetTitle(QStringLiteral("Kessbo"));
    App::SetProductName(QStringLiteral("Kessbo"));
    App::SetEXEName(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    App::SetVersion(PROTOCOL_VERSION_MAJOR, PROTOCOL_VERSION_MINOR, PROTOCOL_VERSION_PATCH);
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    QApplication::setWindowIcon(AppIcons::Icon(AppIcons::Program::Kessbo));
    QGuiApplication::setDesktopFileName(QStringLiteral(KESSBO_APP_ID));
    if (!ModMain::Main()) return 0;
    return app.exec();
}
