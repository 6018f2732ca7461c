#include "RegisterSchema.h"

namespace RegisterSchema {
bool Create(const ConnectionPtr&, const Options&, QString* error) {
    if (error) *error = QStringLiteral("not built yet");
    return false;
}
long SupervisorRights() {
    return 0x1000000;
}
}  // namespace RegisterSchema
