#include "modDeclare.h"

#include "App.h"
#include "MsgBox.h"

namespace modDeclare {
ConnectionPtr gConn;
std::shared_ptr<cls_User> gUser;
std::unique_ptr<cls_Error> gErr;
QString gOleDbConnStr;
long gAppID = 0;
QString gDocsFolder;
QString gLogoFile;
QString gLogo1;
QString gLogo2;
QString gSearchWhere;
QPointer<QWidget> gUsersActiveForm;

QString ModFlagText(const QString& flag) {
    if (flag == QLatin1String("N")) return QStringLiteral("Νέα εγγραφή");
    if (flag == QLatin1String("M")) return QStringLiteral("Τροποποιήθηκε");
    if (flag == QLatin1String("D")) return QStringLiteral("Διαγραμμένη");
    return QString();
}

void NoDataMsg() {
    MsgBox(QStringLiteral("Δεν υπάρχουν δεδομένα. Διορθώστε τις επιλογές σας"),
           vb::vbExclamation + vb::vbOKOnly, App::Title());
}
}  // namespace modDeclare
