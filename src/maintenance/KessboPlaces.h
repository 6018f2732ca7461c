#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Where the utility's fixed Windows places lie on this platform, and which hosts are this computer.
namespace KessboPlaces {
// "c:\dbBackup\": the machine-wide setting "\Kessbo" BackupFolder, else "dbBackup" in the user's
// data folder (~/.local/share/Kessbo/dbBackup).
QString BackupFolder();
// "A:\": the machine-wide setting "\Kessbo" FloppyFolder, else the first mounted removable medium
// (/media, /run/media), else "A:/", a folder that does not exist here.
QString FloppyFolder();
// False when FloppyFolder() found neither the setting nor a medium.
bool HasFloppy();
// The folders searched for removable media.
QStringList MediaFolders();
// The program's folder when this user can write there, else the user's data folder for Kessbo.
QString ProgramFolder();

// True when archives written into the folder span removable media.
bool IsRemovable(const QString& folder);
// Free bytes where the folder lies (-1 when unknown). Tests may replace the measure.
qint64 FreeSpace(const QString& folder);
void SetFreeSpaceHook(std::function<qint64(const QString&)> hook);  // empty function: the real one

// True when the connection text's host names this computer: its name (case aside), "localhost",
// ".", "(local)", one of its addresses, or a PostgreSQL socket folder; a ":port" is ignored.
bool IsThisComputer(const QString& host, const QString& machine);

// The name backups are called by: a database file path gives its base name without extension.
QString DatabaseLabel(const QString& database);
}  // namespace KessboPlaces
