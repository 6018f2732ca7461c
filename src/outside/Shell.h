#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Opening a file with the desktop's program for its type, without waiting for it.
namespace Shell {
// The default action on the file; false when there is no such file or no program took it.
bool Execute(QWidget* owner, const QString& file);
}  // namespace Shell

// Test hook: while installed, files are recorded instead of opened.
namespace ShellHook {
void Install();
void Uninstall();
QStringList& Opened();
}  // namespace ShellHook
