#pragma once

#include <QString>

class QWidget;

// Small shared helpers.
namespace Utility {
// Makes sure the per-user settings store can hold the section KeyPath; true on success.
bool CreateUserKey(const QString& KeyPath);
// Selects the whole text of a text box; any other control is left alone.
void SelectAllText(QWidget* control);
// The text after the last "." of a path when no folder separator follows it, else "".
QString FileExt(const QString& Path);
// Drops every carriage return and turns every line feed into " | ", in Text itself; returns it.
QString OneLine(QString& Text);
}  // namespace Utility
