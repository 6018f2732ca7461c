#include "DbServer.h"

#include <QFile>
#include <cerrno>
#include <cstring>

#include "Err.h"
#include "MssqlServer.h"
#include "PgServer.h"
#include "SqliteServer.h"

std::unique_ptr<DbServer> DbServer::ForBackend(Backend backend, const QString& storedUser,
                                               const QString& storedPassword) {
    switch (backend) {
        case Backend::SQLite:
            return std::make_unique<SqliteServer>();
        case Backend::PostgreSQL:
            return std::make_unique<PgServer>(storedUser, storedPassword);
        case Backend::SqlServer:
            break;
    }
    return std::make_unique<MssqlServer>();
}

void RaiseFileError(int errnoValue, const QString& source, const QString& path) {
    switch (errnoValue) {
        case ENOSPC:
        case EDQUOT:
            Err().Raise(ServiceErr::DiskFull, source,
                        QStringLiteral("Δεν υπάρχει αρκετός ελεύθερος χώρος στο δίσκο: ") + path);
            return;
        case EACCES:
        case EPERM:
        case EROFS:
            Err().Raise(ErrNo::PermissionDenied, source,
                        QStringLiteral("Δεν επιτρέπεται η εγγραφή: ") + path);
            return;
        case ENOENT:
        case ENOTDIR:
            Err().Raise(ErrNo::PathNotFound, source, QStringLiteral("Ο φάκελος δεν βρέθηκε: ") + path);
            return;
        default:
            Err().Raise(ErrNo::PermissionDenied, source,
                        QStringLiteral("Σφάλμα αρχείου (") + QString::fromLocal8Bit(std::strerror(errnoValue)) +
                            QStringLiteral("): ") + path);
    }
}
