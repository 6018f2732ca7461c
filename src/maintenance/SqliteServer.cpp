#include "SqliteServer.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "Err.h"

namespace {
const QString kSource = QStringLiteral("SQLite");

// Owns a handle; sqlite3_open_v2 gives one even when it fails.
struct Db {
    sqlite3* h = nullptr;
    ~Db() { sqlite3_close_v2(h); }
    QString error() const { return h ? QString::fromUtf8(sqlite3_errmsg(h)) : QStringLiteral("out of memory"); }
};

bool openDb(Db& db, const QString& path, int flags) {
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db.h, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) sqlite3_busy_timeout(db.h, 30000);
    return rc == SQLITE_OK;
}

// Why the file's last system call failed. Not sqlite3_system_errno(): that is the thread's errno
// when SQLite sets the handle's error, long after the failed write; the progress window's repaint
// in between changes it (EAGAIN from the event loop instead of EFBIG or EDQUOT).
int lastFileErrno(sqlite3* db, int primary) {
    int e = 0;
    if (db && sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &e) == SQLITE_OK && e != 0) return e;
    // A file that did not open has no last call of its own; the open's errno is still fresh.
    return db && primary == SQLITE_CANTOPEN ? sqlite3_system_errno(db) : 0;
}

void raiseSqlite(sqlite3* db, int rc, const QString& what, const QString& path) {
    const int primary = rc & 0xFF;
    const int sysErr = lastFileErrno(db, primary);
    if (primary == SQLITE_FULL || sysErr == ENOSPC || sysErr == EDQUOT || sysErr == EFBIG) {
        RaiseFileError(ENOSPC, kSource, path);
        return;
    }
    if (primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY || primary == SQLITE_PERM) {
        RaiseFileError(EACCES, kSource, path);
        return;
    }
    Err().Raise(ServiceErr::BackupFailed, kSource, QStringLiteral("Σφάλμα του SQLite: ") + what);
}
}  // namespace

void SqliteServer::Start(const QString&) {
    // The library is part of the program: it always "runs".
    Err().Raise(ServiceErr::ServiceRunning, kSource, QStringLiteral("Η υπηρεσία εκτελείται ήδη."));
}

void SqliteServer::FindDatabase(const QString& name) {
    if (!QFileInfo(name).isFile()) {
        Err().Raise(ServiceErr::NoSuchDatabase, kSource, QStringLiteral("Το αρχείο δεν υπάρχει: ") + name);
        return;
    }
    Db db;
    sqlite3_stmt* st = nullptr;
    if (!openDb(db, name, SQLITE_OPEN_READONLY) ||
        sqlite3_prepare_v2(db.h, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr) != SQLITE_OK ||
        sqlite3_step(st) != SQLITE_ROW) {
        Err().Raise(ServiceErr::NoSuchDatabase, kSource, db.error());
    }
    sqlite3_finalize(st);
}

void SqliteServer::Backup(const QString& database, const QString& file) {
    Db src, dst;
    if (!openDb(src, database, SQLITE_OPEN_READONLY)) {
        Err().Raise(ServiceErr::BackupFailed, kSource, src.error());
        return;
    }
    // One read transaction for the whole copy: every step reads the same snapshot, so writers of
    // other connections neither restart the copy nor mix two states into it.
    if (sqlite3_exec(src.h, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        Err().Raise(ServiceErr::BackupFailed, kSource, src.error());
        return;
    }
    if (!openDb(dst, file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) {
        raiseSqlite(dst.h, sqlite3_errcode(dst.h), dst.error(), file);
        return;
    }
    // The copy is made under a temporary name and synced by the caller: no journal needed.
    sqlite3_exec(dst.h, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;", nullptr, nullptr, nullptr);
    sqlite3_backup* b = sqlite3_backup_init(dst.h, "main", src.h, "main");
    if (!b) {
        raiseSqlite(dst.h, sqlite3_errcode(dst.h), dst.error(), file);
        return;
    }
    int rc;
    do {
        rc = sqlite3_backup_step(b, PagesPerStep);
        if (Progress) {
            const qint64 total = sqlite3_backup_pagecount(b);
            Progress(total - sqlite3_backup_remaining(b), total);
        }
    } while (rc == SQLITE_OK);
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) {
        raiseSqlite(dst.h, rc, dst.error(), file);
        return;
    }
    sqlite3_exec(src.h, "COMMIT", nullptr, nullptr, nullptr);
}

int SqliteServer::VersionMajor() const {
    return sqlite3_libversion_number() / 1000000;
}

int SqliteServer::VersionMinor() const {
    return sqlite3_libversion_number() / 1000 % 1000;
}

QString SqliteServer::VersionString() const {
    return QStringLiteral("SQLite ") + QString::fromLatin1(sqlite3_libversion());
}
