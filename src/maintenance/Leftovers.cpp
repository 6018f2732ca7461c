#include "Leftovers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace Leftovers {
namespace {
bool ownRegularFile(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           st.st_uid == ::geteuid();
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
