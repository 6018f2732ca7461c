#include "FileHelper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
bool isSeparator(QChar c) {
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

// Paths may come from the database with either separator.
qsizetype lastSeparator(const QString& path) {
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}
}  // namespace

bool FileSystemObject::FolderExists(const QString& path) const {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool FileSystemObject::FileExists(const QString& path) const {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool FileSystemObject::CreateFolder(const QString& path) const {
    return FileHelper::CreateFolder(path);
}

bool FileSystemObject::DeleteFile(const QString& path) const {
    return !path.isEmpty() && QFile::remove(path);
}

QString FileSystemObject::GetFileName(const QString& path) const {
    QString p = path;
    while (p.size() > 1 && isSeparator(p.back())) p.chop(1);
    return p.mid(lastSeparator(p) + 1);
}

QString FileSystemObject::GetParentFolderName(const QString& path) const {
    QString p = path;
    while (p.size() > 1 && isSeparator(p.back())) p.chop(1);
    const qsizetype at = lastSeparator(p);
    if (at < 0) return QString();
    if (at == 0) return p.left(1);  // the root
    return p.left(at);
}

FileSystemObject& FileHelper::FileSystem() {
    static FileSystemObject fso;
    return fso;
}

bool FileHelper::CreateFolder(const QString& path) {
    return !path.isEmpty() && QDir().mkpath(path);
}

QString FileHelper::BuildPath(const QString& folder, const QString& name) {
    QString dir = folder;
    dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    qsizetype from = 0;
    while (from < name.size() && isSeparator(name.at(from))) ++from;
    const QString file = name.mid(from);
    if (dir.isEmpty()) return file;
    const bool root = dir.startsWith(QLatin1Char('/'));
    while (dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    if (dir.isEmpty() && root) return QLatin1Char('/') + file;
    return dir + QLatin1Char('/') + file;
}
