#include "NewEntryDate.h"

#include "DBHelper.h"
#include "clsDBForm.h"
#include "cls_Error.h"
#include "modDeclare.h"

using namespace modDeclare;

QVariant NewEntryDate(QWidget* owner, clsDBForm* form) {
    QVariant today = DBHelper::ServerDate(gConn);
    if (today.isNull()) today = DBHelper::ServerDate(gConn);
    if (today.isNull()) {
        if (gErr) gErr->DBErrorMsg(QStringLiteral("PostInitRec"), true, owner);
        if (form) form->ToolbarAction(QStringLiteral("cancel"));
    }
    return today;
}
