#include "clsInit.h"

#include "App.h"
#include "modDeclare.h"

QString clsInit::ErrorHeader(int major, int minor, int revision, const QString& userName,
                             const QString& machineName) {
    return QStringLiteral("v.") + QString::number(major) + QLatin1Char('.') + QString::number(minor) +
           QLatin1Char('.') + QString::number(revision) + QStringLiteral(" - ") + userName +
           QStringLiteral(" - ") + machineName;
}

bool clsInit::Init_Application() {
    using namespace modDeclare;
    // Menus by rights and the session values join here once the main window and settings exist.
    if (gUser) {
        gUser->Get_NetUser();
        if (gErr)
            gErr->setHeader(ErrorHeader(App::Major(), App::Minor(), App::Revision(), gUser->UserName,
                                        gUser->MachineName));
    }
    return true;
}
