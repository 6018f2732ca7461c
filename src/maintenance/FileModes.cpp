#include "FileModes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace FileModes {
Private::Private() : m_previous(::umask(077)) {}

Private::~Private() {
    ::umask(m_previous);
}

Sharing SharingOf(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    const mode_t group = st.st_mode & 0060;
    if (group == 0) return {};
    return {mode_t(0600 | group), st.st_gid};
}

bool Apply(const QString& path, const Sharing& sharing) {
    const QByteArray name = QFile::encodeName(path);
    mode_t mode = sharing.mode & 0660;
    if (sharing.group != gid_t(-1) && ::chown(name.constData(), uid_t(-1), sharing.group) != 0) mode &= 0600;
    return ::chmod(name.constData(), mode) == 0;
}

bool Apply(int fd, const Sharing& sharing) {
    mode_t mode = sharing.mode & 0660;
    if (sharing.group != gid_t(-1) && ::fchown(fd, uid_t(-1), sharing.group) != 0) mode &= 0600;
    return ::fchmod(fd, mode) == 0;
}

mode_t ModeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}
}  // namespace FileModes
