#include "Screen.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
int g_pointer = Screen::vbDefault;
}

namespace Screen {
void SetMousePointer(int pointer) {
    if (pointer == g_pointer) return;
    if (qGuiApp) {
        // One override at most, so that a pointer set twice is restored by one reset.
        if (g_pointer != vbDefault) QGuiApplication::restoreOverrideCursor();
        if (pointer == vbHourglass) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    g_pointer = pointer;
}
int MousePointer() {
    return g_pointer;
}
}  // namespace Screen
