#include "FileSync.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

namespace {
bool syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0) return errno == EACCES;
    const bool ok = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;  // the caller reports why the flush failed
    return ok;
}
}  // namespace

namespace FileSync {
bool File(const QString& path) {
    return syncPath(path, O_RDONLY);
}

bool Folder(const QString& path) {
    return syncPath(path, O_RDONLY | O_DIRECTORY);
}
}  // namespace FileSync
