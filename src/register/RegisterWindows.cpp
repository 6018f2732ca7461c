#include "RegisterWindows.h"

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
}

}  // namespace RegisterWindows
