#include "Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
bool g_hooked = false;
QStringList g_opened;
}  // namespace

bool Shell::Execute(QWidget*, const QString& file) {
    if (g_hooked) {
        g_opened << file;
        return QFileInfo::exists(file);
    }
    if (!QFileInfo::exists(file)) return false;
    // The desktop's opener is started detached: the window never waits for the program.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void ShellHook::Install() {
    g_hooked = true;
    g_opened.clear();
}

void ShellHook::Uninstall() {
    g_hooked = false;
    g_opened.clear();
}

QStringList& ShellHook::Opened() {
    return g_opened;
}
