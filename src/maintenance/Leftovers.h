#pragma once

#include <QStringList>

// What a killed run leaves: the temporary .bak or dump (in its private folder), the deflated stream, libzip's
// unfinished archive, unfinished volumes, and the password files of older versions. Removed at the next
// start, once this copy holds the single-instance lock, and only this user's own files.
namespace Leftovers {
// The names such files have.
bool IsLeftover(const QString& fileName);
// Removes this user's leftovers in the folders (and the temporary folder's password files); the
// paths removed.
QStringList Remove(const QStringList& folders);
}  // namespace Leftovers
