#include "modMain.h"

#include <QCoreApplication>
#include <QLocale>
#include <memory>

#include "App.h"
#include "DBHelper.h"
#include "Euros.h"
#include "MsgBox.h"
#include "NewVersionCheckFor.h"
#include "Screen.h"
#include "SingleInstance.h"
#include "clsInit.h"
#include "cls_Login.h"
#include "frmMDI.h"
#include "frmWrongRegionalSettings.h"
#include "modDeclare.h"

namespace modMain {
namespace {
// Held for the whole run so that a later copy sees this one.
std::unique_ptr<SingleInstance>& instanceLock() {
    static std::unique_ptr<SingleInstance> lock;
    return lock;
}
}  // namespace

bool Main() {
    using namespace modDeclare;
    QCoreApplication::setApplicationName(QStringLiteral("Protocol"));

    Euros::ReadRegionalSettings();
    if (Euros::RegionalSettingsWrong()) {
        // The repair window alone keeps the program running; its buttons end it.
        (new frmWrongRegionalSettings)->show();
        return true;
    }
    // The values are Greek now: Qt's own dialogs (page set-up, printing, numbers and dates in
    // their boxes) follow the default locale rather than the system's, which may be C.
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));

    auto init = std::make_unique<clsInit>();
    if (!init->Registry_Valid()) {
        CloseDown();
        return false;
    }

    Screen::SetMousePointer(Screen::vbHourglass);
    gAppID = 1;

    instanceLock() = std::make_unique<SingleInstance>(App::EXEName());
    if (instanceLock()->PrevInstance()) {
        const int answer = MsgBox(QStringLiteral("Η εφαρμογή \"τρέχει\" ήδη. Θέλετε να την ξανατρέξετε"),
                                  vb::vbYesNo + vb::vbQuestion, App::Title());
        if (answer == vb::vbNo) {
            Screen::SetMousePointer(Screen::vbDefault);
            return false;
        }
    }

    gErr = std::make_unique<cls_Error>();
    if (!gErr->Init(true)) return false;

    Screen::SetMousePointer(Screen::vbDefault);

    {
        cls_Login login;
        if (!login.UserLogin(gConn, gUser)) {
            CloseDown();
            return false;
        }
    }

    Screen::SetMousePointer(Screen::vbHourglass);
    if (!init->Init_Application()) {
        CloseDown();
        return false;
    }
    init.reset();

    NewVersionCheckFor::SchemaUpgrade();
    // An error the upgrade left unreported (a failed step 1 statement or commit) goes to the log
    // rather than to whichever step reports next.
    gErr->ErrorMsg(QStringLiteral("SchemaUpgrade"), false);

    frmMDI::instance()->show();

    Screen::SetMousePointer(Screen::vbDefault);
    return true;
}

void LogoutUser() {
    using namespace modDeclare;
    if (!gUser || gUser->UserId <= 0) return;
    const QVariant serverNow = DBHelper::ServerNow(gConn);
    // Without the server's time the rows stay open rather than being closed with no time.
    const QString now = DBHelper::DateToSQL(serverNow, QStringLiteral("dd/mm/yyyy"), true);
    const bool ok = !serverNow.isNull() &&
                    DBHelper::UpdateRec(gConn, QStringLiteral("USER_LOG"),
                                        QStringLiteral("USER_ID=") + QString::number(gUser->UserId) +
                                            QStringLiteral(" AND LOGOUT_TIME IS NULL"),
                                        QStringLiteral("LOGOUT_TIME=") + now, QStringList());
    if (!ok && gErr) gErr->DBErrorMsg(QStringLiteral("Logout_User"), true);
}

void CloseDown() {
    using namespace modDeclare;
    LogoutUser();
    if (gConn) gConn->Close();
    gConn.reset();
    if (gUsersActiveForm) {
        gUsersActiveForm->close();
        delete gUsersActiveForm.data();
    }
    gUsersActiveForm.clear();
    gUser.reset();
}
}  // namespace modMain
