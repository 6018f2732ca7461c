#pragma once

#include <QString>

// Makes a finished file (and the folder entry that names it) durable before it replaces an older
// one: after a power cut the name never points at data that was not written.
namespace FileSync {
// False when the data could not be flushed. A file this user may not open (one the database
// server wrote under its own account) is left to the system.
bool File(const QString& path);
bool Folder(const QString& path);
}  // namespace FileSync
