#include "RegisterWindows.h"

#include "ReportHooks.h"
#include "clsRptLookup.h"
#include "clsRptUsers.h"
#include "frmLookup.h"
#include "frmMDI.h"
#include "frmProtocol.h"
#include "frmUsers.h"

namespace RegisterWindows {

void Install() {
    // A new window for each use; a refused Init unloads it unshown.
    frmMDI::OpenProtocolWindow = [] {
        frmProtocol form(frmMDI::instance());
        if (form.Init()) form.exec();
    };
    frmMDI::OpenUsersWindow = [] {
        frmUsers form(frmMDI::instance());
        if (form.Init()) form.exec();
    };
    frmMDI::OpenLookupWindow = [](const frmMDI::LookupList& list) {
        frmLookup form(frmMDI::instance());
        if (form.Init(list.caption, list.table, list.codeField, list.descrField, list.reportNo, list.idField,
                      false))
            form.exec();
    };
    // The print keys of the users window and the lookup editor.
    ReportHooks::UsersList = [](const QString& where, const QString& extra, const QStringList& fields) {
        QString w = where, e = extra;
        QStringList f = fields;
        clsRptUsers::New()->Main(w, e, f);
    };
    ReportHooks::LookupList = [](const QString& table, const QString& caption, const QString& codeField,
                                 const QString& descrField, long reportNo) {
        clsRptLookup::New()->Main(table, caption, codeField, descrField, reportNo);
    };
}

}  // namespace RegisterWindows
