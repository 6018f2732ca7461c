#include "clsInit.h"

#include <QAction>
#include <QLabel>
#include <memory>

#include "App.h"
#include "DBHelper.h"
#include "Err.h"
#include "FileHelper.h"
#include "MsgBox.h"
#include "Rights.h"
#include "SettingsStore.h"
#include "frmInitParam.h"
#include "frmMDI.h"
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
    Set_Menus(gUser ? gUser->Auth : 0);
    LoadSettings();
    if (gUser) {
        gUser->Get_NetUser();
        if (gErr)
            gErr->setHeader(ErrorHeader(App::Major(), App::Minor(), App::Revision(), gUser->UserName,
                                        gUser->MachineName));
    }
    Show_UserInfo();
    return true;
}

void clsInit::Set_Menus(long auth) {
    frmMDI* mdi = frmMDI::instance();
    const std::pair<QAction*, long> guarded[] = {
        {mdi->mnuProtocol, Rights::ProtocolRead},   {mdi->mnuUsers, Rights::Supervisor},
        {mdi->mnuUsersActive, Rights::Supervisor},  {mdi->mnuOptions, Rights::Supervisor},
        {mdi->mnuParam.at(0), Rights::Departments}, {mdi->mnuParam.at(1), Rights::DocTypes},
        {mdi->mnuParam.at(2), Rights::Senders},     {mdi->mnuParam.at(3), Rights::Recipients},
        {mdi->mnuParam.at(4), Rights::Places},      {mdi->mnuParam.at(5), Rights::Persons},
        {mdi->mnuParam.at(10), Rights::Phrases},
    };
    for (const auto& [item, bit] : guarded) item->setEnabled((auth & bit) != 0);
}

void clsInit::Show_UserInfo() {
    using namespace modDeclare;
    frmMDI* mdi = frmMDI::instance();
    if (!gUser) return;
    const QString gap = QStringLiteral("  ");
    mdi->Panel(QStringLiteral("user"))->setText(QStringLiteral("Xρήστης: ") + gUser->UserName + gap);
    gUser->Get_NetUser();
    mdi->Panel(QStringLiteral("winuser"))
        ->setText(gUser->MachineName + QLatin1Char('/') + gUser->WinUserName + gap);
    QLabel* db = mdi->Panel(QStringLiteral("db"));
    if (gUser->Auth & Rights::Supervisor) {
        db->setVisible(true);
        db->setText((gConn ? gConn->DatabaseName() : QString()) + gap);
    } else {
        // A supervisor's database name must not stay on show for the next user of the run.
        db->setVisible(false);
        db->clear();
    }
}
