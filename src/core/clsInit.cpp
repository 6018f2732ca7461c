#include "clsInit.h"

#include <memory>

#include "App.h"
#include "DBHelper.h"
#include "Err.h"
#include "FileHelper.h"
#include "MsgBox.h"
#include "SettingsStore.h"
#include "frmInitParam.h"
#include "modDeclare.h"

namespace {
const QString kSection = QStringLiteral("\\Protocol");
}

QString clsInit::ErrorHeader(int major, int minor, int revision, const QString& userName,
                             const QString& machineName) {
    return QStringLiteral("v.") + QString::number(major) + QLatin1Char('.') + QString::number(minor) +
           QLatin1Char('.') + QString::number(revision) + QStringLiteral(" - ") + userName +
           QStringLiteral(" - ") + machineName;
}

bool clsInit::Registry_Valid() {
    QString connStr =
        SettingsStore::GetValue(kSection, QStringLiteral("ConnStr"), QStringLiteral("?"), false).trimmed();
    // "?" stands for the server until the first start fills it in.
    if (!connStr.contains(QLatin1Char('?'))) return true;

    auto frm = std::make_unique<frmInitParam>();
    frm->exec();
    if (frm->Canceled()) {
        MsgBox(QStringLiteral(
                   "Δεν μπορεί να εκτελεστεί η εφαρμογή αν δεν συμπληρώσετε το όνομα το database Server !"),
               vb::vbCritical);
        return false;
    }
    connStr.replace(QLatin1Char('?'), frm->ServerName());
    SettingsStore::SaveValue(kSection, QStringLiteral("ConnStr"), connStr, false);
    SettingsStore::SaveValue(kSection, QStringLiteral("Logo1"), frm->Logo(), false);
    frm.reset();
    return true;
}

void clsInit::LoadSettings() {
    using namespace modDeclare;
    gLogoFile = FileHelper::BuildPath(App::Path(), QStringLiteral("Logo1.bmp"));
    gLogo1 = SettingsStore::GetValue(kSection, QStringLiteral("Logo1"), QString(), false);
    gLogo2 = SettingsStore::GetValue(kSection, QStringLiteral("Logo2"), QString(), false);
    gDocsFolder = DBHelper::LookupValue(gConn, QStringLiteral("PARAM"),
                                        QStringLiteral("PCODE=") + QStringLiteral("'PFOLD'"),
                                        QStringLiteral("PVAL"), 0, QStringLiteral(","));
    // Nothing reports a failed read here (the folder just stays empty); a stale pending error would
    // be taken for the failure of a later step.
    Err().Clear();
}

bool clsInit::Init_Application() {
    using namespace modDeclare;
    // Step 1, the menus by rights, comes with the main window.
    LoadSettings();
    if (gUser) {
        gUser->Get_NetUser();
        if (gErr)
            gErr->setHeader(ErrorHeader(App::Major(), App::Minor(), App::Revision(), gUser->UserName,
                                        gUser->MachineName));
    }
    // Step 4, the status bar, comes with the main window.
    return true;
}
