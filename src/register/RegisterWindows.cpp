#include "RegisterWindows.h"

#include "frmMDI.h"
#include "frmProtocol.h"

namespace RegisterWindows {

void Install() {
    frmMDI::OpenProtocolWindow = [] {
        // A new window for each use; a refused Init unloads it unshown.
        frmProtocol form(frmMDI::instance());
        if (form.Init()) form.exec();
    };
}

}  // namespace RegisterWindows
