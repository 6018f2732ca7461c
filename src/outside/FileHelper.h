#pragma once

#include <QString>

// The few file-system questions the programs ask.
class FileSystemObject {
public:
    bool FolderExists(const QString& path) const;
    bool FileExists(const QString& path) const;
    bool CreateFolder(const QString& path) const;
    bool DeleteFile(const QString& path) const;
    QString GetFileName(const QString& path) const;
    QString GetParentFolderName(const QString& path) const;
};

class FileHelper {
public:
    static FileSystemObject& FileSystem();
    // Creates the folder and any missing parents; false when it could not.
    static bool CreateFolder(const QString& path);
    // The folder and the file name with exactly one separator between them.
    static QString BuildPath(const QString& folder, const QString& name);
};
