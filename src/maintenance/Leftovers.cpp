#include "Leftovers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace Leftovers {
namespace {
bool own(const QString& path, mode_t type) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & S_IFMT) == type &&
           st.st_uid == ::geteuid();
}
bool ownRegularFile(const QString& path) {
    return own(path, S_IFREG);
}
}  // namespace

bool IsLeftover(const QString& fileName) {
    static const QRegularExpression names(QStringLiteral(
        "^(?:.+\\.bak\\.[A-Za-z0-9]{6}\\.tmp"                     // the backup while it is written
        "|\\.kessbo-[A-Za-z0-9]{6}\\.deflate"                     // the deflated stream
        "|.+-\\d{4}-\\d\\d-\\d\\d_\\d{6}\\.zip\\.[A-Za-z0-9]{6}"  // libzip's unfinished archive
        "|.+-\\d{4}-\\d\\d-\\d\\d_\\d{6}\\.z\\d\\d\\.tmp"         // an unfinished volume
        ")$"));
    return names.match(fileName).hasMatch();
}

QStringList Remove(const QStringList& folders) {
    QStringList removed;
    for (const QString& folder : folders) {
        if (folder.isEmpty()) continue;
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            const QString path = dir.filePath(name);
            if (IsLeftover(name) && ownRegularFile(path) && QFile::remove(path)) removed << path;
        }
        // The private folder of an unfinished backup, with the backup it holds.
        static const QRegularExpression dumpFolder(QStringLiteral("^\\.kessbo-dump-[A-Za-z0-9]{6}$"));
        for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
            const QString path = dir.filePath(name);
            if (!dumpFolder.match(name).hasMatch() || !own(path, S_IFDIR)) continue;
            const QDir inside(path);
            for (const QString& f : inside.entryList(QDir::Files | QDir::Hidden | QDir::System))
                if (f.endsWith(QLatin1String(".tmp")) && ownRegularFile(inside.filePath(f)) &&
                    QFile::remove(inside.filePath(f)))
                    removed << inside.filePath(f);
            if (dir.rmdir(name)) removed << path;
        }
    }
    const QDir temp(QDir::tempPath());
    for (const QString& name :
         temp.entryList({QStringLiteral("kessbo-pgpass-??????")}, QDir::Files | QDir::Hidden)) {
        const QString path = temp.filePath(name);
        if (ownRegularFile(path) && QFile::remove(path)) removed << path;
    }
    return removed;
}
}  // namespace Leftovers
