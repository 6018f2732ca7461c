#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

// The programs' icons, drawn in code (no picture files): the windows take them at run time, and
// the build writes them as the installed icon files.
namespace AppIcons {
enum class Program { Protocol, Kessbo };

// The icon drawn at one size (square, transparent background).
QImage Draw(Program program, int size);
// The icon at the sizes the desktop asks for.
QIcon Icon(Program program);
// The sizes the build installs into the icon theme.
QList<int> InstalledSizes();
}  // namespace AppIcons
