#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

#include "Connection.h"
#include "cls_Error.h"
#include "cls_User.h"

// The state the whole program shares, and two small routines.
namespace modDeclare {
extern ConnectionPtr gConn;              // the session's connection
extern std::shared_ptr<cls_User> gUser;  // the logged-in user
extern std::unique_ptr<cls_Error> gErr;  // the error reporter
extern QString gOleDbConnStr;            // connection text handed to the record forms
extern long gAppID;
extern QString gDocsFolder;  // shared folder of the register's document files
extern QString gLogoFile;
extern QString gLogo1;
extern QString gLogo2;
extern QString gSearchWhere;                // the register's last search condition
extern QPointer<QWidget> gUsersActiveForm;  // the connected-users window, while open

// "Νέα εγγραφή", "Τροποποιήθηκε", "Διαγραμμένη" for "N", "M", "D"; "" for anything else.
QString ModFlagText(const QString& flag);
// The "no data" message of the reports.
void NoDataMsg();
}  // namespace modDeclare
